#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace kliv::docx {

// The main document part as a tree, with the edits the report makes. Element names are
// matched through the prefix the part binds to the WordprocessingML namespace, so parts
// written with another prefix work too.
class WordXml {
  public:
    // Where typed text goes: into `parent`, before `before` (at its end when null).
    struct Position {
        pugi::xml_node parent;
        pugi::xml_node before;
    };

    // On failure `reason` holds a Russian phrase for the user.
    bool load(const QByteArray& bytes, QString* reason);
    QByteArray save() const;
    void clear();

    // Right after the start of the named bookmark (names compare without case, as word
    // processors treat them); a bookmark outside a paragraph leads to the next paragraph.
    std::optional<Position> bookmark(const QString& name) const;
    // Inserts one run at `at`; `at` then lies after it.
    void insertText(const Position& at, const QString& text);
    // The start of the cell after the one holding `at`; adds a row past the table's last
    // cell. Empty when `at` is not inside a table.
    std::optional<Position> nextCell(const Position& at);

  private:
    struct Tags {
        std::string prefix, body, p, pPr, r, rPr, t, tab, br, tbl, tr, trPr, tblPrEx, tblHeader, tc,
            tcPr, txbxContent, bookmarkStart, name;
    };

    // The name without the WordprocessingML prefix; empty for other namespaces.
    std::string_view localName(pugi::xml_node node) const;
    pugi::xml_node paragraphAround(pugi::xml_node node) const;
    Position startOf(pugi::xml_node paragraph) const;
    pugi::xml_node formattingAt(const Position& at) const;
    pugi::xml_node appendRowLike(pugi::xml_node row);
    void emptyCell(pugi::xml_node cell);
    void dropLayoutWhitespace();

    pugi::xml_document m_xml;
    Tags m_tags;
};

} // namespace kliv::docx
