#include "widgets/delaytext.h"

#include <QKeyEvent>
#include <QLocale>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace kliv {

namespace {

QToolButton* arrow(const QString& name, Qt::ArrowType type, const QString& accessible,
                   QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus); // the text itself takes the keys
    b->setAccessibleName(accessible);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return b;
}

} // namespace

SpinButton::SpinButton(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    m_up = arrow(name + QLatin1String("Up"), Qt::UpArrow, QStringLiteral("Больше"), this);
    m_down = arrow(name + QLatin1String("Down"), Qt::DownArrow, QStringLiteral("Меньше"), this);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(m_up);
    box->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &SpinButton::upClicked);
    connect(m_down, &QToolButton::clicked, this, &SpinButton::downClicked);
}

DelayText::DelayText(const QString& name, const QString& spinName, int tenths, QWidget* parent)
    : QLineEdit(parent), m_spin(new SpinButton(spinName, this)) {
    setObjectName(name);
    setReadOnly(true);
    setAlignment(Qt::AlignRight);
    connect(m_spin, &SpinButton::upClicked, this, &DelayText::stepUp);
    connect(m_spin, &SpinButton::downClicked, this, &DelayText::stepDown);
    setTenths(tenths);
}

void DelayText::setTenths(int tenths) {
    tenths = qBound(0, tenths, Max);
    if (tenths == m_tenths)
        return;
    m_tenths = tenths;
    setText(QLocale().toString(tenths / 10.0, 'f', 1));
    Q_EMIT tenthsChanged(tenths);
}

void DelayText::stepDown() {
    if (m_tenths >= 2)
        setTenths(m_tenths - 1);
}

void DelayText::stepUp() {
    if (m_tenths < Max)
        setTenths(m_tenths + 1);
}

// The arrows sit inside the frame, on the right, as on a spin box.
int DelayText::arrowsWidth() const {
    return height() / 2 + 4;
}

QSize DelayText::sizeHint() const {
    const QSize base = QLineEdit::sizeHint();
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int widest = fontMetrics().horizontalAdvance(QLocale().toString(25.5, 'f', 1));
    return {widest + 2 * frame + 12 + base.height() / 2 + 4, base.height()};
}

void DelayText::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    m_spin->setGeometry(width() - frame - arrowsWidth(), frame, arrowsWidth(),
                        height() - 2 * frame);
    setTextMargins(0, 0, arrowsWidth(), 0);
}

void DelayText::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Up:
        stepUp();
        return;
    case Qt::Key_Down:
        stepDown();
        return;
    default:
        QLineEdit::keyPressEvent(e);
    }
}

} // namespace kliv
