#include "texts/trendtexts.h"

namespace kliv::msg {

namespace {

QString faultText(files::RowFault f) {
    switch (f) {
    case files::RowFault::Fields:
        return QStringLiteral("число полей не то, что в заголовке");
    case files::RowFault::Time:
        return QStringLiteral("время не прочитано");
    case files::RowFault::Number:
        return QStringLiteral("значение не число");
    case files::RowFault::Order:
        return QStringLiteral("время не по порядку");
    case files::RowFault::Length:
        return QStringLiteral("строка слишком длинная");
    }
    return {};
}

QString skippedText(const files::Trend& t) {
    return QStringLiteral("пропущено строк: %1 (первая — строка %2: %3)")
        .arg(t.skipped)
        .arg(t.firstSkippedLine)
        .arg(faultText(t.firstFault));
}

} // namespace

QString trendProblem(const files::Trend& t) {
    using P = files::Trend::Problem;
    switch (t.problem) {
    case P::None:
        return {};
    case P::Open:
    case P::Read:
        return t.systemError;
    case P::NotARecording:
        return QStringLiteral("Это не запись опроса: в первой строке нет столбцов величин.");
    case P::TooManyColumns:
        return QStringLiteral("Это не запись опроса: столбцов больше %1.")
            .arg(files::TrendReader::MaxColumns);
    case P::NoRows:
        return t.skipped == 0
                   ? QStringLiteral("В файле нет записей опроса.")
                   : QStringLiteral("В файле нет записей опроса: ") + skippedText(t) + u'.';
    }
    return {};
}

QString trendProgress(qint64 done, qint64 total) {
    return QStringLiteral("Чтение записи: %1 %").arg(total > 0 ? done * 100 / total : 100);
}

QString trendSummary(const files::Trend& t) {
    const QString rows = QStringLiteral("Записей: %1").arg(t.rows);
    return t.skipped == 0 ? rows : rows + QStringLiteral("; ") + skippedText(t);
}

} // namespace kliv::msg
