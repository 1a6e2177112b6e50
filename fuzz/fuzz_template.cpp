// The report template reader and filler with damaged and hostile templates. The input's
// first byte chooses its form: a whole file as it would lie on disk, or the main document
// part, packed here with an optional extra entry of any name, so that the fuzzer reaches
// the document tree past the zip checks. A template may be refused with a message, never
// crash; a report that is built saves to its own file and to nothing else, leaves the
// template as it was, and opens again.
#include "bytereader.h"

#include "report/document.h"
#include "report/package.h"
#include "report/protocolreport.h"
#include "texts/eventtexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

using namespace kliv;
using kliv::fuzz::ByteReader;

namespace {

void require(bool ok) {
    if (!ok)
        std::abort();
}

struct Place {
    QTemporaryDir dir;
    QString templatePath, outputPath;
    ReportData data;
};
std::unique_ptr<Place> place;

ReportData sampleData() {
    ReportData d;
    d.serial = 600;
    EventTexts row;
    for (std::size_t c = 0; c < row.size(); ++c)
        row[c] = QStringLiteral("%1\t;\"\n").arg(c);
    row[1] = QStringLiteral("Вкл.");
    d.events = {row, row};
    d.configuration.tipo_text = QStringLiteral("<&>]]>");
    d.accounting = {QStringLiteral("05.03.2009г/14:22:07"), QStringLiteral("00001:02:05"),
                    QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("000123,4")};
    return d;
}

QByteArray templateBytes(ByteReader& in) {
    const quint8 form = in.u8();
    if (form & 1)
        return in.rest();
    docx::Package package;
    if (form & 2) {
        const QString name = QString::fromUtf8(in.bytes(in.u8() % 40));
        package.append({name, in.bytes(in.u8())});
    }
    package.append({QStringLiteral("word/document.xml"), in.rest()});
    QString reason;
    return docx::writePackage(package, &reason); // empty for names no zip can hold
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    // Memory-backed when the machine has it: the fuzzer writes two files a run.
    static const QString base = QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/kliv-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/kliv-fuzz-XXXXXX");
    place.reset(new Place{QTemporaryDir(base), {}, {}, sampleData()});
    require(place->dir.isValid());
    place->templatePath = place->dir.filePath(QStringLiteral("template.docx"));
    place->outputPath = place->dir.filePath(QStringLiteral("report.docx"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const QByteArray bytes = templateBytes(in);
    require(writeFile(place->templatePath, bytes));
    QFile::remove(place->outputPath);

    QString error;
    const std::unique_ptr<Document> doc =
        report::build(place->templatePath, place->data, NumberLocale{}, {}, &error);
    if (!doc) {
        require(!error.isEmpty());
    } else {
        require(doc->saveAs(place->outputPath));
        Document again;
        require(again.open(place->outputPath));
        require(again.goToBookmark(QStringLiteral("tab3")));
    }
    require(readFile(place->templatePath) == bytes);
    const QStringList files =
        QDir(place->dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    require(files.size() == (doc ? 2 : 1));
    return 0;
}
