#include "widgets/shape.h"

#include "widgets/accessible.h"

#include <QAccessible>
#include <QPainter>

namespace kliv {

const QColor Shape::Red(255, 0, 0);
const QColor Shape::Silver(192, 192, 192);
const QColor Shape::Lime(0, 255, 0);

Shape::Shape(const QString& name, Kind kind, int size, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_size(size) {
    setObjectName(name);
    setFixedSize(size, size);
    setAttribute(Qt::WA_TranslucentBackground);
    installAccessibleInterfaces();
    // Before the first reading the indicator shows nothing the relay said.
    m_state = QStringLiteral("нет данных");
}

void Shape::setState(const QColor& c, const QString& words) {
    if (c != m_color) {
        m_color = c;
        update();
    }
    if (words != m_state) {
        m_state = words;
        QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(64, 64, 64), 1));
    p.setBrush(m_color);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_kind == Circle)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, m_size / 4.0, m_size / 4.0);
}

} // namespace kliv
