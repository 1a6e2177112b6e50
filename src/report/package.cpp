#include "report/package.h"

#include <QSet>
#include <zip.h>

namespace kliv::docx {

namespace {

QString zipReason(zip_error_t* error) {
    return QString::fromUtf8(zip_error_strerror(error));
}

QString archiveReason(zip_t* archive) {
    return zipReason(zip_get_error(archive));
}

bool isSafeName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QLatin1Char(':')) || name.contains(QChar(0)))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral("..")) && !parts.contains(QStringLiteral("."));
}

bool readEntry(zip_t* archive, zip_uint64_t index, qint64 size, QByteArray* data, QString* reason) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file) {
        *reason = archiveReason(archive);
        return false;
    }
    data->resize(size);
    const zip_int64_t got = zip_fread(file, data->data(), zip_uint64_t(size));
    // A stored size that understates the data would let an entry grow past the limit.
    char extra = 0;
    const zip_int64_t more = got == size ? zip_fread(file, &extra, 1) : 0;
    const QString fileReason = zipReason(zip_file_get_error(file));
    const int closed = zip_fclose(file);
    if (got != size || more != 0 || closed != 0) {
        *reason = fileReason;
        return false;
    }
    return true;
}

} // namespace

bool readPackage(const QByteArray& zip, Package* package, QString* reason) {
    package->clear();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(zip.constData(), zip_uint64_t(zip.size()), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!archive) {
        *reason = QStringLiteral("архив повреждён или это не архив (%1)").arg(zipReason(&error));
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        return false;
    }
    zip_error_fini(&error);

    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool ok = count <= MaxEntries;
    if (!ok)
        *reason = QStringLiteral("в архиве больше %1 файлов").arg(MaxEntries);
    qint64 total = 0;
    QSet<QString> names;
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE)) {
            *reason = QStringLiteral("архив повреждён (%1)").arg(archiveReason(archive));
            ok = false;
            break;
        }
        const QString name = QString::fromUtf8(stat.name);
        if (name.endsWith(QLatin1Char('/')))
            continue;
        if (!isSafeName(name) || names.contains(name)) {
            *reason = QStringLiteral("недопустимое имя «%1» внутри архива").arg(name);
            ok = false;
            break;
        }
        if (stat.size > zip_uint64_t(MaxPackageBytes - total)) {
            *reason = QStringLiteral("содержимое архива больше %1 МиБ")
                          .arg(MaxPackageBytes / (1024 * 1024));
            ok = false;
            break;
        }
        total += qint64(stat.size);
        PackageEntry entry{name, {}};
        QString entryReason;
        if (!readEntry(archive, zip_uint64_t(i), qint64(stat.size), &entry.data, &entryReason)) {
            *reason = QStringLiteral("не читается «%1» (%2)").arg(name, entryReason);
            ok = false;
            break;
        }
        names.insert(name);
        package->append(std::move(entry));
    }
    zip_discard(archive);
    if (!ok)
        package->clear();
    return ok;
}

QByteArray writePackage(const Package& package, QString* reason) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = target ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
    if (!archive) {
        *reason = zipReason(&error);
        zip_error_fini(&error);
        if (target)
            zip_source_free(target);
        return {};
    }
    zip_error_fini(&error);
    // The packed bytes are read back from the target after the archive is closed.
    zip_source_keep(target);

    for (const PackageEntry& entry : package) {
        zip_source_t* data =
            zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        if (!data ||
            zip_file_add(archive, entry.name.toUtf8().constData(), data, ZIP_FL_ENC_UTF_8) < 0) {
            *reason = archiveReason(archive);
            if (data)
                zip_source_free(data);
            zip_discard(archive);
            zip_source_free(target);
            return {};
        }
    }
    if (zip_close(archive) != 0) {
        *reason = archiveReason(archive);
        zip_discard(archive);
        zip_source_free(target);
        return {};
    }

    QByteArray bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(target, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) &&
        zip_source_open(target) == 0) {
        bytes.resize(qsizetype(stat.size));
        if (zip_source_read(target, bytes.data(), stat.size) != zip_int64_t(stat.size))
            bytes.clear();
        zip_source_close(target);
    }
    if (bytes.isEmpty())
        *reason = zipReason(zip_source_error(target));
    zip_source_free(target);
    return bytes;
}

} // namespace kliv::docx
