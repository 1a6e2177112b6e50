#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace kliv {

// A .docx held in memory with the few editing steps a filled-in report needs: go to a
// bookmark, type at the insertion point, step through table cells. Every step returns
// false on failure and leaves a Russian message for the user in errorString().
//
// Typed text keeps the formatting of the run before the insertion point, or of the
// paragraph mark when there is none. A tab becomes a tab stop, a line feed (or CR, or
// CR LF) a line break within the paragraph; other control characters cannot be stored in
// the document and are dropped.
class Document {
  public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Reads the whole package into memory; the file itself is never written.
    bool open(const QString& path);
    // Writes the package with the edits under `path` (complete or not at all) and keeps
    // the document open under that name.
    bool saveAs(const QString& path);
    // The package as saveAs() would write it; empty on failure.
    QByteArray toBytes();
    void close();

    // Places the insertion point right after the bookmark's start.
    bool goToBookmark(const QString& name);
    // Whether an open document has the bookmark; for the places a template may leave out.
    bool hasBookmark(const QString& name) const;
    bool typeText(const QString& text);
    // To the start of the next cell of the enclosing table, row after row; past the last
    // cell a new row shaped like the last one is added.
    bool moveToNextCell();

    bool isOpen() const;
    QString fileName() const;
    QString errorString() const;

  private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kliv
