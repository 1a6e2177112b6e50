#pragma once

#include "model/configschema.h"
#include "protocol/accounting.h"
#include "protocol/eventlog.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"

#include <QDate>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace kliv {

class Document;

// What a service report holds: the relay's serial number, its event log in time order
// (the grid's texts), its configuration as the page shows it and its accounting record.
struct ReportData {
    int serial = 0;
    QList<EventTexts> events;
    Configuration configuration;
    AccountingTexts accounting;
};

// One row of a two-column table; a section row has no value and its value cell stays
// empty.
struct ReportRow {
    QString label;
    QString value;
    bool section = false;
};

namespace report {

// What the state columns show for "Вкл.": a check mark that every word processor draws
// with its own fonts (the original relied on one font drawing a letter as a mark).
inline const QString CheckMark = QStringLiteral("✓");
inline const QString NoEvents = QStringLiteral("Событий нет");
// Where the program's version goes, if the template has the place.
inline const QString VersionBookmark = QStringLiteral("ver");

// " v" + the program's version, as the window title shows it.
QString versionText();

QList<ReportRow> settingsRows(const Configuration& c, const NumberLocale& loc); // 44 rows
QList<ReportRow> accountingRows(const AccountingTexts& t);                      // 5 rows

// "КЛИВ_№" + serial + "_" + ddMM_yy + ".docx", by the PC's date.
QString proposedFileName(int serial, const QDate& today);

// Fills an opened template: the serial number at "num", the version at "ver", the events at "tab1",
// the settings at "tab2", the accounting record at "tab3". `progress` follows the steps (1, 2, 3, 5
// ... 10). False with the document's message when a step fails.
bool fill(Document& doc, const ReportData& data, const NumberLocale& loc,
          const std::function<void(int)>& progress = {});

// Opens the template and fills it in memory, the template itself never written;
// `progress` also marks the opening (1, 2). Null with the reason when a step fails.
std::unique_ptr<Document> build(const QString& templatePath, const ReportData& data,
                                const NumberLocale& loc, const std::function<void(int)>& progress,
                                QString* error);

} // namespace report
} // namespace kliv
