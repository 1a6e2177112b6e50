#include "report/wordxml.h"

#include <string_view>

namespace kliv::docx {

namespace {

constexpr std::string_view WordNamespace =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// The node after `node` in document order; walking with this instead of recursion keeps a
// hostile, deeply nested part from exhausting the stack.
pugi::xml_node following(pugi::xml_node node) {
    if (node.first_child())
        return node.first_child();
    while (node && !node.next_sibling())
        node = node.parent();
    return node ? node.next_sibling() : pugi::xml_node();
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Characters XML 1.0 cannot carry; the writer would store them as they are and spoil the part.
bool isStorable(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x20 && u != 0xFFFE && u != 0xFFFF;
}

void removeChildrenExcept(pugi::xml_node parent, const std::string& keptTag,
                          pugi::xml_node keptNode = {}) {
    for (pugi::xml_node child = parent.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (child != keptNode && keptTag != child.name())
            parent.remove_child(child);
        child = next;
    }
}

// `node` itself or its nearest ancestor named `tag`.
pugi::xml_node ancestor(pugi::xml_node node, const std::string& tag) {
    for (pugi::xml_node up = node; up; up = up.parent())
        if (up.name() == tag)
            return up;
    return {};
}

} // namespace

bool WordXml::load(const QByteArray& bytes, QString* reason) {
    clear();
    const pugi::xml_parse_result parsed = m_xml.load_buffer(
        bytes.constData(), size_t(bytes.size()),
        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata, pugi::encoding_auto);
    if (!parsed) {
        *reason = QStringLiteral("ошибка XML в позиции %1: %2")
                      .arg(parsed.offset)
                      .arg(QString::fromUtf8(parsed.description()));
        return false;
    }
    const pugi::xml_node root = m_xml.document_element();
    std::optional<std::string> prefix;
    for (const pugi::xml_attribute& attribute : root.attributes()) {
        const std::string_view name = attribute.name();
        if (prefix || attribute.value() != WordNamespace)
            continue;
        if (name == "xmlns")
            prefix = std::string();
        else if (name.starts_with("xmlns:"))
            prefix = std::string(name.substr(6)) + ':';
    }
    if (!prefix || root.name() != *prefix + "document") {
        clear();
        *reason = QStringLiteral("это не текст документа Word");
        return false;
    }
    const std::string& w = *prefix;
    m_tags = {w,
              w + "body",
              w + "p",
              w + "pPr",
              w + "r",
              w + "rPr",
              w + "t",
              w + "tab",
              w + "br",
              w + "tbl",
              w + "tr",
              w + "trPr",
              w + "tblPrEx",
              w + "tblHeader",
              w + "tc",
              w + "tcPr",
              w + "txbxContent",
              w + "bookmarkStart",
              w + "name"};
    // The part is written back in UTF-8 whatever it was read in.
    if (pugi::xml_node declaration = m_xml.first_child();
        declaration.type() == pugi::node_declaration)
        declaration.attribute("encoding").set_value("UTF-8");
    dropLayoutWhitespace();
    return true;
}

QByteArray WordXml::save() const {
    struct Writer : pugi::xml_writer {
        QByteArray bytes;
        void write(const void* data, size_t size) override {
            bytes.append(static_cast<const char*>(data), qsizetype(size));
        }
    } writer;
    m_xml.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.bytes;
}

void WordXml::clear() {
    m_xml.reset();
    m_tags = {};
}

// Indentation between elements is no content; only text elements keep their blanks.
void WordXml::dropLayoutWhitespace() {
    for (pugi::xml_node node = m_xml.first_child(); node;) {
        const pugi::xml_node next = following(node);
        const pugi::xml_node parent = node.parent();
        const std::string_view local = localName(parent);
        if (node.type() == pugi::node_pcdata && isBlank(node.value()) && local != "t" &&
            local != "delText" && local != "instrText" && local != "delInstrText")
            node.parent().remove_child(node);
        node = next;
    }
}

std::optional<WordXml::Position> WordXml::bookmark(const QString& name) const {
    for (pugi::xml_node node = m_xml.first_child(); node; node = following(node)) {
        if (node.name() != m_tags.bookmarkStart ||
            QString::fromUtf8(node.attribute(m_tags.name.c_str()).value())
                    .compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (paragraphAround(node))
            return Position{node.parent(), node.next_sibling()};
        for (pugi::xml_node next = following(node); next; next = following(next))
            if (next.name() == m_tags.p)
                return startOf(next);
        return std::nullopt;
    }
    return std::nullopt;
}

void WordXml::insertText(const Position& at, const QString& text) {
    pugi::xml_node parent = at.parent;
    pugi::xml_node run = at.before ? parent.insert_child_before(m_tags.r.c_str(), at.before)
                                   : parent.append_child(m_tags.r.c_str());
    if (const pugi::xml_node formatting = formattingAt(Position{parent, run})) {
        pugi::xml_node copy = run.append_copy(formatting);
        copy.set_name(m_tags.rPr.c_str());
        // Revision marks of the neighbour are not the typed text's own.
        for (pugi::xml_node child = copy.first_child(); child;) {
            const pugi::xml_node next = child.next_sibling();
            const std::string_view local = localName(child);
            if (local == "ins" || local == "del" || local == "moveFrom" || local == "moveTo" ||
                local == "rPrChange")
                copy.remove_child(child);
            child = next;
        }
    }

    bool hasContent = false;
    QString piece;
    const auto flush = [&] {
        if (piece.isEmpty())
            return;
        pugi::xml_node t = run.append_child(m_tags.t.c_str());
        t.append_attribute("xml:space") = "preserve";
        t.text().set(piece.toUtf8().constData());
        piece.clear();
        hasContent = true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            flush();
            run.append_child(c == QLatin1Char('\t') ? m_tags.tab.c_str() : m_tags.br.c_str());
            hasContent = true;
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (isStorable(c)) {
            piece += c;
        }
    }
    flush();
    if (!hasContent)
        parent.remove_child(run);
}

std::optional<WordXml::Position> WordXml::nextCell(const Position& at) {
    const pugi::xml_node cell = ancestor(at.parent, m_tags.tc);
    const pugi::xml_node row = ancestor(cell, m_tags.tr);
    if (!cell || !row)
        return std::nullopt;
    pugi::xml_node next = cell.next_sibling(m_tags.tc.c_str());
    if (!next) {
        pugi::xml_node nextRow = row.next_sibling(m_tags.tr.c_str());
        while (nextRow && !nextRow.child(m_tags.tc.c_str()))
            nextRow = nextRow.next_sibling(m_tags.tr.c_str());
        if (!nextRow)
            nextRow = appendRowLike(row);
        next = nextRow.child(m_tags.tc.c_str());
    }
    pugi::xml_node paragraph = next.child(m_tags.p.c_str());
    if (!paragraph)
        paragraph = next.append_child(m_tags.p.c_str());
    return startOf(paragraph);
}

// The paragraph `node` sits in, when it is inline content and not a block of its own.
pugi::xml_node WordXml::paragraphAround(pugi::xml_node node) const {
    for (pugi::xml_node up = node.parent(); up; up = up.parent()) {
        const std::string_view name = up.name();
        if (name == m_tags.p)
            return up;
        if (name == m_tags.tc || name == m_tags.tr || name == m_tags.tbl || name == m_tags.body ||
            name == m_tags.txbxContent)
            return {};
    }
    return {};
}

std::string_view WordXml::localName(pugi::xml_node node) const {
    const std::string_view name = node.name();
    return name.starts_with(m_tags.prefix) ? name.substr(m_tags.prefix.size()) : std::string_view();
}

WordXml::Position WordXml::startOf(pugi::xml_node paragraph) const {
    pugi::xml_node first = paragraph.first_child();
    if (first.name() == m_tags.pPr)
        first = first.next_sibling();
    return {paragraph, first};
}

// The run properties typed text takes over: those of the run before it, else those of the
// paragraph mark.
pugi::xml_node WordXml::formattingAt(const Position& at) const {
    for (pugi::xml_node node = at.before.previous_sibling(); node; node = node.previous_sibling())
        if (node.name() == m_tags.r)
            return node.child(m_tags.rPr.c_str());
    const pugi::xml_node paragraph =
        at.parent.name() == m_tags.p ? at.parent : paragraphAround(at.parent);
    return paragraph.child(m_tags.pPr.c_str()).child(m_tags.rPr.c_str());
}

// A copy of `row` after the table's last row, its cells emptied but their properties and
// paragraph properties kept, as a word processor adds a row when the cursor leaves the table.
pugi::xml_node WordXml::appendRowLike(pugi::xml_node row) {
    pugi::xml_node last = row;
    while (const pugi::xml_node next = last.next_sibling(m_tags.tr.c_str()))
        last = next;
    pugi::xml_node copy = row.parent().insert_copy_after(row, last);
    for (pugi::xml_node child = copy.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (child.name() == m_tags.trPr)
            // A copied heading row would repeat on every page.
            child.remove_child(m_tags.tblHeader.c_str());
        else if (child.name() == m_tags.tc)
            emptyCell(child);
        else if (child.name() != m_tags.tblPrEx)
            copy.remove_child(child);
        child = next;
    }
    return copy;
}

void WordXml::emptyCell(pugi::xml_node cell) {
    pugi::xml_node paragraph = cell.child(m_tags.p.c_str());
    removeChildrenExcept(cell, m_tags.tcPr, paragraph);
    if (!paragraph)
        paragraph = cell.append_child(m_tags.p.c_str());
    removeChildrenExcept(paragraph, m_tags.pPr);
}

} // namespace kliv::docx
