#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The zip container of a .docx, held wholly in memory so that nothing stays open on disk
// and the template file is never written.
namespace kliv::docx {

// A template is a few dozen kilobytes; anything far above this is damaged or hostile.
constexpr qint64 MaxPackageBytes = 64 * 1024 * 1024;
constexpr int MaxEntries = 10000;

struct PackageEntry {
    QString name;
    QByteArray data;
};
using Package = QList<PackageEntry>;

// Reads every file entry (folders are skipped) in archive order. Refuses archives whose
// unpacked size exceeds MaxPackageBytes, entry names that could point outside the package
// ("../", absolute, backslashes) and duplicate names. On failure `reason` holds a Russian
// phrase for the user.
bool readPackage(const QByteArray& zip, Package* package, QString* reason);

// Packs the entries, deflated, in their order; empty with `reason` set on failure.
QByteArray writePackage(const Package& package, QString* reason);

} // namespace kliv::docx
