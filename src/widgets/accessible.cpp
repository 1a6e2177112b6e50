#include "widgets/accessible.h"

#include "widgets/dropdown.h"
#include "widgets/shape.h"
#include "widgets/valuelabel.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <functional>

namespace kliv {

namespace {

// A read-only text that a screen reader can read at any time: the widget's accessible
// name says what it is, the value and the text interface say what it shows now.
class ValueAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    ValueAccessible(QWidget* w, std::function<QString()> value, bool describe)
        : QAccessibleWidget(w, QAccessible::StaticText), m_value(std::move(value)),
          m_describe(describe) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || (t == QAccessible::Description && m_describe))
            return m_value();
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface: the value as a text without a cursor or selections.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString v = m_value();
        start = qBound(0, start, int(v.size()));
        end = end < 0 ? int(v.size()) : qBound(start, end, int(v.size()));
        return v.mid(start, end - start);
    }
    int characterCount() const override { return int(m_value().size()); }
    QRect characterRect(int offset) const override {
        const QString v = m_value();
        if (offset < 0 || offset >= v.size())
            return {};
        const QFontMetrics fm(widget()->font());
        const QRect r = rect();
        const int left = r.left() + (r.width() - fm.horizontalAdvance(v)) / 2;
        return {left + fm.horizontalAdvance(v.left(offset)), r.top(),
                fm.horizontalAdvance(v.at(offset)), r.height()};
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

  private:
    std::function<QString()> m_value;
    bool m_describe;
};

// A drop-down list: named like any other field, its value the chosen item, its one child
// the popup list.
class DropDownAccessible : public QAccessibleWidget {
  public:
    explicit DropDownAccessible(DropDown* d) : QAccessibleWidget(d, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return list()->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == list()->view() ? 0 : -1;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = list()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            list()->view()->isVisible() ? list()->hidePopup() : list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

  private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* kitInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("kliv::ValueLabel")) {
        auto* label = static_cast<ValueLabel*>(object);
        return new ValueAccessible(
            label, [label] { return label->text(); }, false);
    }
    if (className == QLatin1String("kliv::DropDown"))
        return new DropDownAccessible(static_cast<DropDown*>(object));
    if (className == QLatin1String("kliv::Shape")) {
        auto* shape = static_cast<Shape*>(object);
        // An indicator has no text of its own; its state goes into the description as
        // well, which every screen reader reads after the name.
        return new ValueAccessible(
            shape, [shape] { return shape->stateText(); }, true);
    }
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(kitInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace kliv
