#include "report/document.h"
#include "report/package.h"
#include "report/templatepath.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <unistd.h>

using namespace kliv;

namespace {

const QString TemplatePath = QStringLiteral(KLIV_TEMPLATE_DOCX);

QByteArray wordPart(const QString& body) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/"
                          "wordprocessingml/2006/main\">\n  <w:body>\n%1\n  </w:body>\n"
                          "</w:document>\n")
        .arg(body)
        .toUtf8();
}

QByteArray zip(const docx::Package& entries) {
    QString reason;
    const QByteArray bytes = docx::writePackage(entries, &reason);
    Q_ASSERT(!bytes.isEmpty());
    return bytes;
}

QByteArray package(const QString& body) {
    return zip({{QStringLiteral("[Content_Types].xml"), QByteArray("<Types/>")},
                {QStringLiteral("word/document.xml"), wordPart(body)}});
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The main part of what the document would save, as a tree.
std::unique_ptr<pugi::xml_document> savedPart(Document& doc) {
    docx::Package entries;
    QString reason;
    auto xml = std::make_unique<pugi::xml_document>();
    if (!docx::readPackage(doc.toBytes(), &entries, &reason))
        return xml;
    for (const auto& entry : entries)
        if (entry.name == QLatin1String("word/document.xml"))
            xml->load_buffer(entry.data.constData(), size_t(entry.data.size()),
                             pugi::parse_default | pugi::parse_ws_pcdata_single);
    return xml;
}

QString textOf(pugi::xml_node node) {
    struct Walker : pugi::xml_tree_walker {
        QString text;
        bool for_each(pugi::xml_node& n) override {
            const std::string_view name = n.name();
            if (name == "w:t")
                text += QString::fromUtf8(n.text().get());
            else if (name == "w:tab")
                text += QLatin1Char('\t');
            else if (name == "w:br")
                text += QLatin1Char('\n');
            return true;
        }
    } walker;
    node.traverse(walker);
    return walker.text;
}

pugi::xml_node bookmarkNode(const pugi::xml_document& xml, const char* name) {
    return xml.find_node([name](pugi::xml_node n) {
        return std::string_view(n.name()) == "w:bookmarkStart" &&
               std::string_view(n.attribute("w:name").value()) == name;
    });
}

pugi::xml_node ancestor(pugi::xml_node node, const char* name) {
    while (node && std::string_view(node.name()) != name)
        node = node.parent();
    return node;
}

QList<QStringList> rowsOf(pugi::xml_node table) {
    QList<QStringList> rows;
    for (pugi::xml_node tr : table.children("w:tr")) {
        QStringList cells;
        for (pugi::xml_node tc : tr.children("w:tc"))
            cells << textOf(tc);
        rows << cells;
    }
    return rows;
}

QStringList childNames(pugi::xml_node node) {
    QStringList names;
    for (pugi::xml_node child : node.children())
        names << QString::fromUtf8(child.name());
    return names;
}

QString xmlOf(pugi::xml_node node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return QString::fromStdString(out.str());
}

const QString EmptyParagraphs =
    QStringLiteral("<w:p><w:bookmarkStart w:id=\"0\" w:name=\"here\"/><w:bookmarkEnd w:id=\"0\"/>"
                   "</w:p>");

QString table(int rows, int columns, const QString& firstCellExtra) {
    QString xml = QStringLiteral("<w:tbl><w:tblPr><w:tblW w:w=\"5000\" w:type=\"pct\"/></w:tblPr>");
    for (int r = 0; r < rows; ++r) {
        xml += QStringLiteral("<w:tr>");
        for (int c = 0; c < columns; ++c)
            xml += QStringLiteral("<w:tc><w:p>%1</w:p></w:tc>")
                       .arg(r == 0 && c == 0 ? firstCellExtra : QString());
        xml += QStringLiteral("</w:tr>");
    }
    return xml + QStringLiteral("</w:tbl>");
}

const QString Here = QStringLiteral("<w:bookmarkStart w:id=\"0\" w:name=\"here\"/>"
                                    "<w:bookmarkEnd w:id=\"0\"/>");

// What the report job does: a value in every event cell, label and value pairs below.
struct ReportData {
    QString serial;
    QList<QStringList> events;
    QList<QStringList> settings;
    QList<QStringList> accounting;
};

bool fillPairs(Document& doc, const QString& bookmark, const QList<QStringList>& rows) {
    if (!doc.goToBookmark(bookmark))
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const bool last = i + 1 == rows.size();
        if (!doc.typeText(rows[i][0]) || !doc.moveToNextCell())
            return false;
        if (!rows[i][1].isEmpty() && !doc.typeText(rows[i][1]))
            return false;
        if (!last && !doc.moveToNextCell())
            return false;
    }
    return true;
}

bool fill(Document& doc, const ReportData& data) {
    if (!doc.goToBookmark(QStringLiteral("num")) ||
        !doc.typeText(QStringLiteral("  %1  ").arg(data.serial)) ||
        !doc.goToBookmark(QStringLiteral("tab1")))
        return false;
    for (const QStringList& row : data.events)
        for (const QString& value : row)
            if (!doc.moveToNextCell() || !doc.typeText(value))
                return false;
    return fillPairs(doc, QStringLiteral("tab2"), data.settings) &&
           fillPairs(doc, QStringLiteral("tab3"), data.accounting);
}

const QString Check = QStringLiteral("✓");

ReportData sampleReport() {
    return {QStringLiteral("1234"),
            {{QStringLiteral("03.11.26  08:15:42:0"),
              Check,
              Check,
              {},
              QStringLiteral("229"),
              QStringLiteral("231"),
              QStringLiteral("230"),
              QStringLiteral("12,4"),
              QStringLiteral("12,1"),
              QStringLiteral("12,6"),
              QStringLiteral("0,0"),
              QStringLiteral("0,86")},
             {QStringLiteral("04.11.26  13:02:07:1"),
              Check,
              {},
              QStringLiteral("Перегруз"),
              QStringLiteral("228"),
              QStringLiteral("230"),
              QStringLiteral("229"),
              QStringLiteral("41,7"),
              QStringLiteral("40,9"),
              QStringLiteral("42,3"),
              QStringLiteral("0,1"),
              QStringLiteral("0,91")},
             {QStringLiteral("06.12.26  10:47:55:0"),
              {},
              {},
              QStringLiteral("Утечка тока"),
              QStringLiteral("232"),
              QStringLiteral("233"),
              QStringLiteral("231"),
              QStringLiteral("0,0"),
              QStringLiteral("0,0"),
              QStringLiteral("0,0"),
              QStringLiteral("1,2"),
              QStringLiteral("1,00")}},
            {{QStringLiteral("Установки контроля и параметров защит:"), {}},
             {QStringLiteral("    -  Блокировка защиты"), QStringLiteral("НЕТ")},
             {QStringLiteral("    -  Минимальное напряжение (Umin)"), QStringLiteral("ДА")},
             {QStringLiteral("    -  Значение Umin, В"), QStringLiteral("170")},
             {QStringLiteral("    -  Время срабатывания Umin, сек"), QStringLiteral("5,0")},
             {QStringLiteral("    -  Максимальное напряжение (Umax)"), QStringLiteral("ДА")},
             {QStringLiteral("    -  Значение Umax, В"), QStringLiteral("250")},
             {QStringLiteral("    -  Времятоковый перегруз (Iвтз)"), QStringLiteral("ДА")},
             {QStringLiteral("    -  Значение номинального тока Iном, A"), QStringLiteral("32,0")},
             {QStringLiteral("    -  Параметры калибровки:"), {}},
             {QStringLiteral("    -  Калибровочный коэффициент Ua"), QStringLiteral("1,012")},
             {QStringLiteral("    -  Сетевой адрес:"), QStringLiteral("17")}},
            {{QStringLiteral("Начало учета (дата/время):"), QStringLiteral("05.03.2026г/14:22:07")},
             {QStringLiteral("Наработка оборудования (ч:м:с):"), QStringLiteral("01234:56:07")},
             {QStringLiteral("Количество включений:"), QStringLiteral("312")},
             {QStringLiteral("Количество сработанных защит:"), QStringLiteral("4")},
             {QStringLiteral("Потребленная активная энергия, кВтч:"), QStringLiteral("004512,7")}}};
}

// Every non-empty value, in the order the report holds them.
QStringList expectedOrder(const ReportData& data) {
    QStringList all{data.serial};
    for (const auto* rows : {&data.events, &data.settings, &data.accounting})
        for (const QStringList& row : *rows)
            for (const QString& value : row)
                if (!value.isEmpty())
                    all << value.trimmed();
    return all;
}

} // namespace

class TestDocument : public QObject {
    Q_OBJECT

  private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void goToBookmark_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("paragraphText");
        QTest::newRow("inside a paragraph")
            << QStringLiteral("<w:p><w:r><w:t>A</w:t></w:r>%1<w:r><w:t>B</w:t></w:r></w:p>")
                   .arg(Here)
            << "here" << true << "AxB";
        QTest::newRow("names compare without case") << EmptyParagraphs << "HERE" << true << "x";
        QTest::newRow("between paragraphs leads to the next")
            << QStringLiteral("<w:p><w:r><w:t>A</w:t></w:r></w:p>%1<w:p><w:r><w:t>B</w:t>"
                              "</w:r></w:p>")
                   .arg(Here)
            << "here" << true << "xB";
        QTest::newRow("missing") << EmptyParagraphs << "tab1" << false << QString();
    }
    void goToBookmark() {
        QFETCH(QString, body);
        QFETCH(QString, name);
        QFETCH(bool, found);
        QFETCH(QString, paragraphText);
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("b.docx"), package(body))));
        QCOMPARE(doc.goToBookmark(name), found);
        if (!found) {
            QVERIFY(doc.errorString().contains(QStringLiteral("«%1»").arg(name)));
            QVERIFY(!doc.typeText(QStringLiteral("x"))); // no place to type yet
            return;
        }
        QVERIFY(doc.typeText(QStringLiteral("x")));
        const auto xml = savedPart(doc);
        const pugi::xml_node typed = xml->find_node([](pugi::xml_node n) {
            return std::string_view(n.name()) == "w:t" && std::string_view(n.text().get()) == "x";
        });
        QCOMPARE(textOf(ancestor(typed, "w:p")), paragraphText);
    }

    void typeText_data() {
        QTest::addColumn<QString>("paragraph");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("paragraphText");
        QTest::addColumn<QStringList>("typedFormatting");
        QTest::newRow("after a bold run takes its formatting")
            << QStringLiteral("<w:p><w:r><w:rPr><w:b/><w:sz w:val=\"28\"/></w:rPr><w:t>Зав. №"
                              "</w:t></w:r>%1</w:p>")
            << "  1234  "
            << "Зав. №  1234  " << QStringList{"w:b", "w:sz"};
        QTest::newRow("empty paragraph takes the paragraph mark's, without revisions")
            << QStringLiteral("<w:p><w:pPr><w:jc w:val=\"center\"/><w:rPr><w:ins w:id=\"7\" "
                              "w:author=\"a\"/><w:rFonts w:ascii=\"Segoe UI Symbol\"/>"
                              "</w:rPr></w:pPr>%1</w:p>")
            << "✓"
            << "✓" << QStringList{"w:rFonts"};
        QTest::newRow("plain run before gives plain text")
            << QStringLiteral("<w:p><w:pPr><w:rPr><w:i/></w:rPr></w:pPr><w:r><w:t>a</w:t></w:r>"
                              "%1<w:r><w:rPr><w:b/></w:rPr><w:t>c</w:t></w:r></w:p>")
            << "b"
            << "abc" << QStringList();
        QTest::newRow("tab and line breaks") << QStringLiteral("<w:p>%1</w:p>") << "a\tb\nc\r\nd\re"
                                             << "a\tb\nc\nd\ne" << QStringList();
        QTest::newRow("characters XML cannot hold are dropped") << QStringLiteral("<w:p>%1</w:p>")
                                                                << QStringLiteral("a\x01"
                                                                                  "b\x1f") +
                                                                       QChar(0xFFFF)
                                                                << "ab" << QStringList();
        QTest::newRow("any Unicode") << QStringLiteral("<w:p>%1</w:p>") << "Iут <1> & \"😀\""
                                     << "Iут <1> & \"😀\"" << QStringList();
    }
    void typeText() {
        QFETCH(QString, paragraph);
        QFETCH(QString, text);
        QFETCH(QString, paragraphText);
        QFETCH(QStringList, typedFormatting);
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("t.docx"), package(paragraph.arg(Here)))));
        QVERIFY(doc.goToBookmark(QStringLiteral("here")));
        QVERIFY(doc.typeText(text));

        const auto xml = savedPart(doc);
        const pugi::xml_node typed = bookmarkNode(*xml, "here").next_sibling();
        QCOMPARE(QByteArray(typed.name()), "w:r");
        QCOMPARE(textOf(bookmarkNode(*xml, "here").parent()), paragraphText);
        QCOMPARE(childNames(typed.child("w:rPr")), typedFormatting);
        for (pugi::xml_node t : typed.children("w:t"))
            QCOMPARE(QByteArray(t.attribute("xml:space").value()), "preserve");
    }

    void typingGoesOnAfterTheTypedText() {
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("t.docx"), package(EmptyParagraphs))));
        QVERIFY(doc.goToBookmark(QStringLiteral("here")));
        for (const char* piece : {"  ", "77", "", "  "})
            QVERIFY(doc.typeText(QString::fromUtf8(piece)));
        const auto xml = savedPart(doc);
        QCOMPARE(textOf(xml->child("w:document")), QStringLiteral("  77  "));
        QCOMPARE(xml->child("w:document").child("w:body").child("w:p").select_nodes("w:r").size(),
                 size_t(3)); // an empty text adds no run
    }

    void moveToNextCellGoesRowAfterRow() {
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("m.docx"), package(table(2, 3, Here)))));
        QVERIFY(doc.goToBookmark(QStringLiteral("here")));
        QVERIFY(doc.typeText(QStringLiteral("a")));
        for (const char* value : {"b", "c", "d", "e", "f", "g", "h"}) {
            QVERIFY2(doc.moveToNextCell(), qPrintable(doc.errorString()));
            QVERIFY(doc.typeText(QString::fromUtf8(value)));
        }
        const auto xml = savedPart(doc);
        const QList<QStringList> expected{{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", ""}};
        QCOMPARE(rowsOf(xml->find_node(
                     [](pugi::xml_node n) { return std::string_view(n.name()) == "w:tbl"; })),
                 expected);
    }

    void rowAddedPastTheLastCellIsShapedLikeTheLastRow() {
        const QString cell = QStringLiteral(
            "<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/><w:shd w:val=\"clear\" "
            "w:fill=\"DCE6F1\"/></w:tcPr><w:p><w:pPr><w:jc w:val=\"center\"/><w:rPr><w:sz "
            "w:val=\"16\"/></w:rPr></w:pPr><w:r><w:t>%2</w:t></w:r>%3</w:p>"
            "<w:p><w:r><w:t>second paragraph</w:t></w:r></w:p></w:tc>");
        const QString body =
            QStringLiteral("<w:tbl><w:tblPr/><w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol "
                           "w:w=\"3000\"/></w:tblGrid><w:tr><w:trPr><w:cantSplit/><w:tblHeader/>"
                           "</w:trPr>%1%2</w:tr></w:tbl>")
                .arg(cell.arg(2000).arg(QStringLiteral("Дата")).arg(QString()),
                     cell.arg(3000).arg(QStringLiteral("cos f")).arg(Here));
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("g.docx"), package(body))));
        QVERIFY(doc.goToBookmark(QStringLiteral("here")));
        QVERIFY(doc.moveToNextCell());
        QVERIFY(doc.typeText(QStringLiteral("06.12.26")));
        QVERIFY(doc.moveToNextCell());
        QVERIFY(doc.moveToNextCell());
        QVERIFY(doc.typeText(QStringLiteral("third row")));

        const auto xml = savedPart(doc);
        const pugi::xml_node tbl =
            xml->find_node([](pugi::xml_node n) { return std::string_view(n.name()) == "w:tbl"; });
        const QList<QStringList> expected{
            {"Датаsecond paragraph", "cos fsecond paragraph"}, {"06.12.26", ""}, {"third row", ""}};
        QCOMPARE(rowsOf(tbl), expected);
        const pugi::xml_node first = tbl.child("w:tr");
        for (pugi::xml_node row = first.next_sibling("w:tr"); row; row = row.next_sibling("w:tr")) {
            QCOMPARE(childNames(row.child("w:trPr")), QStringList{"w:cantSplit"});
            pugi::xml_node original = first.child("w:tc");
            for (pugi::xml_node tc : row.children("w:tc")) {
                QCOMPARE(xmlOf(tc.child("w:tcPr")), xmlOf(original.child("w:tcPr")));
                QCOMPARE(xmlOf(tc.child("w:p").child("w:pPr")),
                         xmlOf(original.child("w:p").child("w:pPr")));
                QCOMPARE(tc.select_nodes("w:p").size(), size_t(1));
                original = original.next_sibling("w:tc");
            }
        }
        QCOMPARE(xml->select_nodes("//w:bookmarkStart").size(), size_t(1));
    }

    void moveToNextCellOutsideATableFails() {
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("n.docx"), package(EmptyParagraphs))));
        QVERIFY(!doc.moveToNextCell()); // nowhere yet
        QVERIFY(doc.goToBookmark(QStringLiteral("here")));
        QVERIFY(!doc.moveToNextCell());
        QVERIFY(doc.errorString().contains(QStringLiteral("не в таблице")));
        QVERIFY(doc.typeText(QStringLiteral("still here")));
        QCOMPARE(textOf(savedPart(doc)->child("w:document")), QStringLiteral("still here"));
    }

    void openRefusesBadPackages_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = package(EmptyParagraphs);
        const QByteArray part = wordPart(EmptyParagraphs);
        QTest::newRow("not a zip") << QByteArray("PK\x03\x04 this is no archive") << "архив";
        QTest::newRow("cut short") << good.left(good.size() / 2) << "архив";
        QTest::newRow("no main part")
            << zip({{QStringLiteral("word/styles.xml"), QByteArray("<w:styles/>")}})
            << "word/document.xml";
        QTest::newRow("malformed XML")
            << zip({{QStringLiteral("word/document.xml"), part.left(part.size() - 5)}})
            << "ошибка XML";
        QTest::newRow("not a Word part")
            << zip({{QStringLiteral("word/document.xml"), QByteArray("<html><body/></html>")}})
            << "не текст документа Word";
        QTest::newRow("name climbing out")
            << zip({{QStringLiteral("word/document.xml"), part},
                    {QStringLiteral("../../evil.sh"), QByteArray("x")}})
            << "../../evil.sh";
        QTest::newRow("absolute name") << zip({{QStringLiteral("word/document.xml"), part},
                                               {QStringLiteral("/etc/evil"), QByteArray("x")}})
                                       << "/etc/evil";
        QTest::newRow("unpacks past the limit") << zip({{QStringLiteral("word/document.xml"), part},
                                                        {QStringLiteral("word/media/huge.bin"),
                                                         QByteArray(docx::MaxPackageBytes, '\0')}})
                                                << "64 МиБ";
    }
    void openRefusesBadPackages() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = writeFile(m_dir, QStringLiteral("bad.docx"), bytes);
        Document doc;
        QVERIFY(!doc.open(path));
        QVERIFY(!doc.isOpen());
        QVERIFY2(doc.errorString().contains(reason), qPrintable(doc.errorString()));
        QVERIFY(doc.errorString().contains(QDir::toNativeSeparators(path)));
        QCOMPARE(readFile(path), bytes);
    }

    void deeplyNestedPartDoesNotExhaustTheStack() {
        const int depth = 300000;
        const QString body =
            QStringLiteral("<w:p>") + QStringLiteral("<w:hyperlink>").repeated(depth) + Here +
            QStringLiteral("</w:hyperlink>").repeated(depth) + QStringLiteral("</w:p>");
        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("deep.docx"), package(body))));
        QVERIFY(doc.goToBookmark(QStringLiteral("here")));
        QVERIFY(doc.typeText(QStringLiteral("x")));
        QVERIFY(!doc.moveToNextCell());
        QVERIFY(!doc.toBytes().isEmpty());
    }

    // Read only up to the limit: a file past it is refused without being read whole.
    void openRefusesAFilePastTheLimit() {
        const QString path = m_dir.filePath(QStringLiteral("huge.docx"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(docx::MaxPackageBytes + 1)); // sparse: no disk space used
        file.close();
        Document doc;
        QVERIFY(!doc.open(path));
        QVERIFY2(doc.errorString().contains(QStringLiteral("64 МиБ")),
                 qPrintable(doc.errorString()));
    }

    void openMissingFileFails() {
        Document doc;
        QVERIFY(!doc.open(m_dir.filePath(QStringLiteral("none.docx"))));
        QVERIFY(doc.errorString().contains(QStringLiteral("не найден")));
        QVERIFY(!doc.goToBookmark(QStringLiteral("num")));
        QVERIFY(doc.toBytes().isEmpty());
    }

    void saveCloseReopen() {
        const QString working = m_dir.filePath(QStringLiteral("temp.docx"));
        const QString report = m_dir.filePath(QStringLiteral("КЛИВ_№1234_0612_26.docx"));
        const QByteArray original = readFile(TemplatePath);
        QVERIFY(!original.isEmpty());

        Document doc;
        QVERIFY2(doc.open(TemplatePath), qPrintable(doc.errorString()));
        QVERIFY(doc.saveAs(working));
        QCOMPARE(doc.fileName(), working);
        const ReportData data = sampleReport();
        QVERIFY2(fill(doc, data), qPrintable(doc.errorString()));
        QVERIFY(doc.saveAs(report));
        QCOMPARE(doc.fileName(), report);
        doc.close();
        QVERIFY(!doc.isOpen());
        QVERIFY(!doc.typeText(QStringLiteral("x")));
        QCOMPARE(readFile(TemplatePath), original);

        QVERIFY2(doc.open(report), qPrintable(doc.errorString()));
        const auto xml = savedPart(doc);
        QStringList texts;
        const pugi::xml_node body = xml->child("w:document").child("w:body");
        for (pugi::xml_node block : body.children()) {
            if (std::string_view(block.name()) == "w:tbl")
                for (const QStringList& row : rowsOf(block))
                    texts << row;
        }
        QStringList expected{
            QStringLiteral("Дата/Время"), QStringLiteral("КЛИВ"),   QStringLiteral("Обор."),
            QStringLiteral("Защита"),     QStringLiteral("Ua, В"),  QStringLiteral("Ub, В"),
            QStringLiteral("Uc, В"),      QStringLiteral("Ia, A"),  QStringLiteral("Ib, A"),
            QStringLiteral("Ic, A"),      QStringLiteral("Iут, А"), QStringLiteral("cos f")};
        for (const auto* rows : {&data.events, &data.settings, &data.accounting})
            for (const QStringList& row : *rows)
                expected << row;
        QCOMPARE(texts, expected);
        QVERIFY(textOf(bookmarkNode(*xml, "num").parent()).endsWith(QStringLiteral("№  1234  ")));

        // The working copy holds the untouched template.
        Document copy;
        QVERIFY(copy.open(working));
        const QList<QStringList> emptyPair{QStringList(2)};
        QCOMPARE(rowsOf(ancestor(bookmarkNode(*savedPart(copy), "tab2"), "w:tbl")), emptyPair);
    }

    void saveFailureLeavesNoFile_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing/deeper"
                                        << "r.docx"
                                        << "папка не существует";
        QTest::newRow("name taken by a folder") << "taken"
                                                << "r.docx"
                                                << "есть папка";
        QTest::newRow("read-only folder") << "readonly"
                                          << "r.docx"
                                          << "нет права записи";
#ifdef Q_OS_LINUX
        QTest::newRow("file system without files") << "/proc"
                                                   << "r.docx"
                                                   << "нет права записи";
#endif
    }
    void saveFailureLeavesNoFile() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const QString dir = folder.startsWith(QLatin1Char('/')) ? folder : m_dir.filePath(folder);
        if (folder == QLatin1String("taken"))
            QVERIFY(QDir(dir).mkpath(name));
        if (folder == QLatin1String("readonly")) {
#ifdef Q_OS_WIN
            QSKIP("a folder's mode bits are Unix's; Windows keeps writers out by access lists");
#else
            if (geteuid() == 0)
                QSKIP("folder modes do not stop root");
#endif
            QVERIFY(QDir().mkpath(dir));
            QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QStringList before =
            QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const QString path = dir + QLatin1Char('/') + name;

        Document doc;
        QVERIFY(doc.open(writeFile(m_dir, QStringLiteral("s.docx"), package(EmptyParagraphs))));
        QVERIFY(!doc.saveAs(path));
        QVERIFY2(doc.errorString().contains(reason), qPrintable(doc.errorString()));
        QVERIFY(doc.errorString().contains(QDir::toNativeSeparators(path)));
        // Nothing new beside the target; in /proc, processes of other tests come and go.
        QStringList added;
        for (const QString& e :
             QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            if (!before.contains(e) &&
                !QRegularExpression(QStringLiteral("^\\d+$")).match(e).hasMatch())
                added << e;
        QVERIFY2(added.isEmpty(), qPrintable(added.join(QLatin1Char(' '))));
        QCOMPARE(doc.fileName(), m_dir.filePath(QStringLiteral("s.docx")));
        QVERIFY(doc.saveAs(m_dir.filePath(QStringLiteral("elsewhere.docx"))));
        if (folder == QLatin1String("readonly"))
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void templateHasItsBookmarks() {
        Document doc;
        QVERIFY2(doc.open(TemplatePath), qPrintable(doc.errorString()));
        const auto xml = savedPart(doc);

        const pugi::xml_node num = bookmarkNode(*xml, "num");
        QVERIFY(!ancestor(num, "w:tbl"));
        const QString heading = textOf(num.parent());
        QVERIFY(heading.contains(QStringLiteral("КЛИВ-1M")));
        QVERIFY(heading.endsWith(QStringLiteral("Зав. №")));

        const pugi::xml_node tab1 = bookmarkNode(*xml, "tab1");
        const pugi::xml_node events = ancestor(tab1, "w:tbl");
        const QList<QStringList> header{
            {QStringLiteral("Дата/Время"), QStringLiteral("КЛИВ"), QStringLiteral("Обор."),
             QStringLiteral("Защита"), QStringLiteral("Ua, В"), QStringLiteral("Ub, В"),
             QStringLiteral("Uc, В"), QStringLiteral("Ia, A"), QStringLiteral("Ib, A"),
             QStringLiteral("Ic, A"), QStringLiteral("Iут, А"), QStringLiteral("cos f")},
            QStringList(12)};
        QCOMPARE(rowsOf(events), header);
        QVERIFY(ancestor(tab1, "w:tc") == events.child("w:tr").last_child());
        QVERIFY(events.child("w:tr").child("w:trPr").child("w:tblHeader"));
        for (int column : {1, 2}) { // the state columns must show a check mark
            pugi::xml_node tc = events.last_child().child("w:tc");
            for (int i = 0; i < column; ++i)
                tc = tc.next_sibling("w:tc");
            const pugi::xml_node fonts =
                tc.child("w:p").child("w:pPr").child("w:rPr").child("w:rFonts");
            QCOMPARE(QByteArray(fonts.attribute("w:hAnsi").value()), "Segoe UI Symbol");
        }

        for (const char* name : {"tab2", "tab3"}) {
            const pugi::xml_node mark = bookmarkNode(*xml, name);
            const pugi::xml_node pairs = ancestor(mark, "w:tbl");
            QVERIFY(pairs && pairs != events);
            const QList<QStringList> emptyPair{QStringList(2)};
            QCOMPARE(rowsOf(pairs), emptyPair);
            QVERIFY(ancestor(mark, "w:tc") == pairs.child("w:tr").child("w:tc"));
        }
    }

    void findTemplateLooksBesideTheProgramFirst() {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("docs")));
        QVERIFY(!findTemplate(m_dir.path()).startsWith(m_dir.path()));
        const QString beside = m_dir.filePath(QStringLiteral("docs/prot-kliv.docx"));
        QVERIFY(QFile::copy(TemplatePath, beside));
        QCOMPARE(findTemplate(m_dir.path()), beside);
    }

    void wordProcessorShowsTheFilledReport() {
        QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (office.isEmpty())
            office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
        if (office.isEmpty())
            QSKIP("no soffice or libreoffice on PATH (scripts/setup --tests installs it)");

        const ReportData data = sampleReport();
        const QString report = m_dir.filePath(QStringLiteral("КЛИВ_№1234_0612_26.docx"));
        Document doc;
        QVERIFY(doc.open(TemplatePath));
        QVERIFY2(fill(doc, data), qPrintable(doc.errorString()));
        QVERIFY(doc.saveAs(report));
        doc.close();

        const QString text = convert(office, report, QStringLiteral("txt:Text (encoded):UTF8"),
                                     QStringLiteral("txt"));
        QVERIFY2(!text.isEmpty(), "the word processor did not convert the report to text");
        qsizetype at = 0;
        for (const QString& value : expectedOrder(data)) {
            const qsizetype found = text.indexOf(value, at);
            QVERIFY2(found >= 0,
                     qPrintable(
                         QStringLiteral("«%1» missing or out of order in:\n%2").arg(value, text)));
            at = found + value.size();
        }

        const QString pdf =
            convert(office, report, QStringLiteral("pdf"), QStringLiteral("pdf"), true);
        QVERIFY2(pdf.startsWith(QStringLiteral("%PDF")), "no PDF from the word processor");
        const QString pdfPath = m_dir.filePath(QStringLiteral("КЛИВ_№1234_0612_26.pdf"));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (!pdftotext.isEmpty()) {
            QProcess p;
            p.start(pdftotext, {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
            QVERIFY(p.waitForFinished(60000));
            const QString pages = QString::fromUtf8(p.readAllStandardOutput());
            QVERIFY2(pages.contains(QStringLiteral("Стр. 1 из ")), qPrintable(pages));
            QVERIFY2(pages.contains(QStringLiteral("Инженер:")), qPrintable(pages));
        }
        const QString shots = qEnvironmentVariable("KLIV_SCREENSHOTS");
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (!shots.isEmpty() && !pdftoppm.isEmpty()) {
            QDir().mkpath(shots);
            QVERIFY(QProcess::execute(pdftoppm,
                                      {QStringLiteral("-png"), QStringLiteral("-r"),
                                       QStringLiteral("110"), QStringLiteral("-f"),
                                       QStringLiteral("1"), QStringLiteral("-l"),
                                       QStringLiteral("1"), QStringLiteral("-singlefile"), pdfPath,
                                       shots + QStringLiteral("/report-template")}) == 0);
        }
    }

  private:
    // Runs a headless conversion with a profile of its own, so parallel runs do not meet.
    QString convert(const QString& office, const QString& file, const QString& filter,
                    const QString& extension, bool binary = false) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // The report's name is not ASCII; the office suite reads arguments in the locale's code.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p.setProcessEnvironment(env);
        p.start(office, {QStringLiteral("-env:UserInstallation=file://") +
                             m_dir.filePath(QStringLiteral("profile")),
                         QStringLiteral("--headless"), QStringLiteral("--norestore"),
                         QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                         m_dir.path(), file});
        // The first start of a fresh profile takes long on a small machine.
        if (!p.waitForFinished(240000)) {
            p.kill();
            p.waitForFinished();
            qWarning() << "conversion timed out";
            return {};
        }
        const QString out = file.left(file.lastIndexOf(QLatin1Char('.')) + 1) + extension;
        const QByteArray bytes = readFile(out);
        if (bytes.isEmpty())
            qWarning() << "conversion failed:" << p.readAll();
        return binary ? QString::fromLatin1(bytes.left(4)) : QString::fromUtf8(bytes);
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
