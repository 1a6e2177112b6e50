#include "config/configbinding.h"

#include "texts/configtexts.h"
#include "widgets/delaytext.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace kliv {

namespace {

using config::Field;
using config::FieldKind;

template <class W> W* control(const QWidget* page, const Field& f) {
    W* w = page->findChild<W*>(QLatin1String(f.key));
    Q_ASSERT_X(w, "configuration page", f.key);
    return w;
}

Problem notANumber(const Field& f, const QString& text, bool integer) {
    return {QString::fromLatin1(f.key),
            integer ? Problem::Rule::WholeNumber : Problem::Rule::Number,
            0,
            0,
            0,
            text};
}

} // namespace

PageConfiguration readConfiguration(const QWidget* page, const NumberLocale& loc) {
    PageConfiguration out;
    Configuration& c = out.value;
    for (const Field& f : config::fields()) {
        switch (f.kind) {
        case FieldKind::List:
            c.*f.number = control<QComboBox>(page, f)->currentIndex();
            break;
        case FieldKind::Spin:
            c.*f.number = control<SpinEdit>(page, f)->value();
            break;
        case FieldKind::Check:
            c.*f.check = control<QCheckBox>(page, f)->isChecked();
            break;
        case FieldKind::Text: {
            const QLineEdit* edit = control<QLineEdit>(page, f);
            c.*f.text = edit->text();
            // What the relay or a file gave is kept as it is; what the user typed is checked.
            if (edit->isModified())
                out.problems += config::typedTextProblems(QString::fromLatin1(f.key), edit->text());
            break;
        }
        case FieldKind::Tenths:
            if (const auto* delay = page->findChild<DelayText*>(QLatin1String(f.key))) {
                c.*f.number = delay->tenths();
            } else {
                const QString text = control<QLineEdit>(page, f)->text();
                const auto tenths = config::parseTenths(text, loc);
                if (tenths)
                    c.*f.number = *tenths;
                else
                    out.problems.append(notANumber(f, text, false));
            }
            break;
        case FieldKind::Integer: {
            const QString text = control<QLineEdit>(page, f)->text();
            const auto value = config::parseInteger(text);
            if (value)
                c.*f.number = *value;
            else
                out.problems.append(notANumber(f, text, true));
            break;
        }
        }
    }
    // A field that is no number, or a typed text refused already, needs no further check.
    for (const Problem& p : config::problems(c))
        if (std::none_of(out.problems.cbegin(), out.problems.cend(),
                         [&p](const Problem& q) { return q.key == p.key; }))
            out.problems.append(p);
    return out;
}

CoefficientCheck checkCoefficients(const QWidget* page, const NumberLocale& loc) {
    for (const char* key : config::CoefficientCheckOrder) {
        const Field& f = *config::fieldNamed(QString::fromLatin1(key));
        const QString text = control<QLineEdit>(page, f)->text();
        if (!config::parseTenths(text, loc))
            return {notANumber(f, text, false), nullptr};
        // Only a value that is zero: "0,05" is no whole number, which the value check says.
        if (std::none_of(text.cbegin(), text.cend(),
                         [](QChar ch) { return ch >= QLatin1Char('1') && ch <= QLatin1Char('9'); }))
            return {{}, &f};
    }
    return {};
}

void showConfiguration(QWidget* page, const Configuration& raw, const NumberLocale& loc) {
    const Configuration c = config::forPage(raw);
    for (const Field& f : config::fields()) {
        QWidget* w = control<QWidget>(page, f);
        const QSignalBlocker quiet(w);
        switch (f.kind) {
        case FieldKind::List:
            static_cast<QComboBox*>(w)->setCurrentIndex(c.*f.number);
            break;
        case FieldKind::Spin:
            static_cast<SpinEdit*>(w)->setValue(c.*f.number);
            break;
        case FieldKind::Check:
            static_cast<QCheckBox*>(w)->setChecked(c.*f.check);
            break;
        case FieldKind::Text:
            static_cast<QLineEdit*>(w)->setText(c.*f.text);
            break;
        case FieldKind::Tenths:
            if (auto* delay = qobject_cast<DelayText*>(w))
                delay->setTenths(c.*f.number);
            else
                static_cast<QLineEdit*>(w)->setText(config::tenthsText(c.*f.number, loc));
            break;
        case FieldKind::Integer:
            static_cast<QLineEdit*>(w)->setText(QString::number(c.*f.number));
            break;
        }
    }
}

} // namespace kliv
