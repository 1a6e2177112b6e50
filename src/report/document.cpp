#include "report/document.h"

#include "report/package.h"
#include "report/wordxml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kliv {

namespace {

const QString MainPart = QStringLiteral("word/document.xml");

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Why a save failed, in words the user can act on.
QString saveReason(const QSaveFile& file, const QString& path) {
    const QString detail = file.errorString();
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        return QStringLiteral("папка не существует (%1)").arg(detail);
    if (target.isDir())
        return QStringLiteral("под этим именем уже есть папка (%1)").arg(detail);
    switch (file.error()) {
    case QFileDevice::OpenError:
        return QStringLiteral("нет права записи в папку или файл занят (%1)").arg(detail);
    case QFileDevice::WriteError:
        return QStringLiteral("ошибка записи, возможно, диск заполнен (%1)").arg(detail);
    case QFileDevice::RenameError:
        return QStringLiteral("не удалось заменить файл (%1)").arg(detail);
    default:
        return detail;
    }
}

} // namespace

struct Document::Private {
    QString fileName;
    QString error;
    docx::Package package;
    qsizetype mainIndex = -1;
    docx::WordXml xml;
    std::optional<docx::WordXml::Position> cursor;

    bool fail(const QString& message) {
        error = message;
        return false;
    }
    bool checkOpen() { return mainIndex >= 0 || fail(QStringLiteral("Документ не открыт.")); }
    bool checkCursor() {
        return checkOpen() &&
               (cursor || fail(QStringLiteral("Не выбрано место в документе: сначала нужен "
                                              "переход к закладке.")));
    }
};

Document::Document() : d(std::make_unique<Private>()) {}

Document::~Document() = default;

bool Document::open(const QString& path) {
    close();
    const QString name = nativePath(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return d->fail(QStringLiteral("Файл «%1» не найден.").arg(name));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return d->fail(
            QStringLiteral("Не удалось открыть файл «%1»: %2.").arg(name, file.errorString()));
    // One byte past the limit tells an oversized file; a buffer of the file's own size
    // spares a small template the allocation of the whole limit.
    const QByteArray zip = file.read(qBound<qint64>(0, file.size(), docx::MaxPackageBytes) + 1);
    file.close();
    if (zip.size() > docx::MaxPackageBytes)
        return d->fail(QStringLiteral("Файл «%1» больше %2 МиБ: это не шаблон отчета.")
                           .arg(name)
                           .arg(docx::MaxPackageBytes / (1024 * 1024)));

    QString reason;
    docx::Package package;
    if (!docx::readPackage(zip, &package, &reason))
        return d->fail(
            QStringLiteral("Файл «%1» не является документом .docx: %2.").arg(name, reason));
    qsizetype mainIndex = -1;
    for (qsizetype i = 0; i < package.size() && mainIndex < 0; ++i)
        if (package.at(i).name == MainPart)
            mainIndex = i;
    if (mainIndex < 0)
        return d->fail(
            QStringLiteral("В файле «%1» нет текста документа (%2).").arg(name, MainPart));
    if (!d->xml.load(package.at(mainIndex).data, &reason))
        return d->fail(QStringLiteral("Файл «%1» поврежден: %2 (%3).").arg(name, MainPart, reason));

    d->package = std::move(package);
    d->mainIndex = mainIndex;
    d->fileName = QFileInfo(path).absoluteFilePath();
    return true;
}

QByteArray Document::toBytes() {
    if (!d->checkOpen())
        return {};
    docx::Package package = d->package;
    package[d->mainIndex].data = d->xml.save();
    QString reason;
    const QByteArray bytes = docx::writePackage(package, &reason);
    if (bytes.isEmpty())
        d->fail(QStringLiteral("Не удалось упаковать документ: %1.").arg(reason));
    return bytes;
}

bool Document::saveAs(const QString& path) {
    const QByteArray bytes = toBytes();
    if (bytes.isEmpty())
        return false;
    const QString name = nativePath(QFileInfo(path).absoluteFilePath());
    // The report appears under its name only once it is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = saveReason(file, path);
        file.cancelWriting();
        return d->fail(QStringLiteral("Не удалось сохранить «%1»: %2.").arg(name, reason));
    }
    d->fileName = QFileInfo(path).absoluteFilePath();
    return true;
}

void Document::close() {
    d->package.clear();
    d->mainIndex = -1;
    d->xml.clear();
    d->cursor.reset();
    d->fileName.clear();
    d->error.clear();
}

bool Document::goToBookmark(const QString& name) {
    if (!d->checkOpen())
        return false;
    const auto at = d->xml.bookmark(name);
    if (!at)
        return d->fail(QStringLiteral("В документе «%1» нет закладки «%2».")
                           .arg(nativePath(d->fileName), name));
    d->cursor = at;
    return true;
}

bool Document::hasBookmark(const QString& name) const {
    return d->mainIndex >= 0 && d->xml.bookmark(name).has_value();
}

bool Document::typeText(const QString& text) {
    if (!d->checkCursor())
        return false;
    d->xml.insertText(*d->cursor, text);
    return true;
}

bool Document::moveToNextCell() {
    if (!d->checkCursor())
        return false;
    const auto next = d->xml.nextCell(*d->cursor);
    if (!next)
        return d->fail(QStringLiteral("Место ввода в документе «%1» не в таблице: перейти к "
                                      "следующей ячейке нельзя.")
                           .arg(nativePath(d->fileName)));
    d->cursor = next;
    return true;
}

bool Document::isOpen() const {
    return d->mainIndex >= 0;
}

QString Document::fileName() const {
    return d->fileName;
}

QString Document::errorString() const {
    return d->error;
}

} // namespace kliv
