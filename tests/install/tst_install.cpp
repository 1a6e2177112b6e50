#if KLIV_WITH_GUI
#include "app/mainwindow.h"
#endif
#include "common/simprocess.h"
#include "report/templatepath.h"
#include "version.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kliv;

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run run(const QString& program, const QStringList& args, int timeoutMs = 30000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QStringList programs() {
    QStringList p{QStringLiteral("kliv-cli"), QStringLiteral("kliv-relay-sim")};
    if (KLIV_WITH_GUI)
        p.prepend(QStringLiteral("kliv-service"));
    return p;
}

const int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;
    QString m_prefix;

    QString installed(const QString& relative) const { return m_prefix + u'/' + relative; }

  private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // A prefix with a blank and a non-Latin letter: nothing may rely on a plain path.
        m_prefix = m_dir.filePath(QStringLiteral("пре фикс"));
        const Run r = run(QStringLiteral(KLIV_CMAKE),
                          {QStringLiteral("--install"), QStringLiteral(KLIV_BUILD_DIR),
                           QStringLiteral("--prefix"), m_prefix},
                          120000);
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    void holdsEveryFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        for (const QString& p : programs()) {
            QTest::addRow("bin/%s", qPrintable(p)) << QStringLiteral("bin/") + p << true;
            if (p != QLatin1String("kliv-service") || KLIV_WITH_GUI)
                QTest::addRow("man %s", qPrintable(p))
                    << QStringLiteral("share/man/man1/%1.1.gz").arg(p) << false;
        }
        QTest::newRow("template") << "share/kliv-service/prot-kliv.docx" << false;
        QTest::newRow("copyright") << "share/doc/kliv-service/copyright" << false;
        QTest::newRow("changelog") << "share/doc/kliv-service/changelog.Debian.gz" << false;
        QTest::newRow("lintian overrides") << "share/lintian/overrides/kliv-service" << false;
        QTest::newRow("simulator notes") << "share/doc/kliv-service/relay-sim.md" << false;
        if (!KLIV_WITH_GUI)
            return;
        QTest::newRow("menu entry") << "share/applications/kliv-service.desktop" << false;
        QTest::newRow("scalable icon")
            << "share/icons/hicolor/scalable/apps/kliv-service.svg" << false;
        for (int s : IconSizes)
            QTest::addRow("icon %d", s)
                << QStringLiteral("share/icons/hicolor/%1x%1/apps/kliv-service.png").arg(s)
                << false;
    }
    void holdsEveryFile() {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo f(installed(path));
        QVERIFY2(f.isFile(), qPrintable(f.filePath()));
        QVERIFY(f.size() > 0);
        QCOMPARE(f.isExecutable(), executable);
    }

    // Each PNG is drawn at the size its folder promises; a desktop picks the file by it.
    void iconsHaveTheirFolderSize_data() {
        QTest::addColumn<int>("size");
        for (int s : IconSizes)
            QTest::addRow("%d", s) << s;
    }
    void iconsHaveTheirFolderSize() {
        if (!KLIV_WITH_GUI)
            QSKIP("built without the window");
        QFETCH(int, size);
        QImageReader png(
            installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/kliv-service.png").arg(size)));
        QCOMPARE(png.format(), QByteArray("png"));
        QCOMPARE(png.size(), QSize(size, size));
    }

    void menuEntryNamesTheInstalledProgram() {
        if (!KLIV_WITH_GUI)
            QSKIP("built without the window");
        const QString desktop =
            installed(QStringLiteral("share/applications/kliv-service.desktop"));
        QSettings entry(desktop, QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        const QString exec = entry.value(QStringLiteral("Exec")).toString();
        QVERIFY(
            QFileInfo(installed(QStringLiteral("bin/") + exec.section(u' ', 0, 0))).isExecutable());
        QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), QStringLiteral("kliv-service"));

        const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is not installed (scripts/setup --tests)");
        const Run r = run(validator, {desktop});
        QVERIFY2(r.code == 0 && r.out.isEmpty() && r.err.isEmpty(), qPrintable(r.out + r.err));
    }

    // The installed programs find the installed template, by the layout around their own
    // folder, wherever the prefix is.
    void templateFoundFromTheInstalledLayout() {
        QCOMPARE(findTemplate(installed(QStringLiteral("bin"))),
                 installed(QStringLiteral("share/kliv-service/prot-kliv.docx")));

        // The installed simulator answers, so nothing of the build tree takes part.
        qputenv("KLIV_SIM", installed(QStringLiteral("bin/kliv-relay-sim")).toLocal8Bit());
        const test::SimProcess sim({QStringLiteral("--serial"), QStringLiteral("600"),
                                    QStringLiteral("--no-pace"), QStringLiteral("--events"),
                                    QStringLiteral("3")});
        QVERIFY(sim.ok());
        const QString report = m_dir.filePath(QStringLiteral("report.docx"));
        const Run r = run(installed(QStringLiteral("bin/kliv-cli")),
                          {QStringLiteral("--port"), sim.path(), QStringLiteral("report"), report});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        QVERIFY(QFileInfo(report).size() > 0);
    }

    void everyProgramTellsTheProjectVersion_data() {
        QTest::addColumn<QString>("program");
        for (const QString& p : programs())
            QTest::addRow("%s", qPrintable(p)) << p;
    }
    void everyProgramTellsTheProjectVersion() {
        QFETCH(QString, program);
        for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
            const Run r = run(installed(QStringLiteral("bin/") + program), {option});
            QCOMPARE(r.code, 0);
            QCOMPARE(r.out.trimmed(), program + u' ' + programVersion());
        }
    }

    // What the user compares: the command-line tool's answer and the window's title.
    void cliVersionMatchesTheWindowTitle() {
#if KLIV_WITH_GUI
        const Run r = run(installed(QStringLiteral("bin/kliv-cli")), {QStringLiteral("--version")});
        const QString version = r.out.trimmed().section(u' ', 1);
        QVERIFY(!version.isEmpty());
        QVERIFY2(MainWindow::title().contains(QStringLiteral("КЛИВ-1M      v") + version + u' '),
                 qPrintable(MainWindow::title()));
#else
        QSKIP("built without the window");
#endif
    }

    // A manual page that leaves out an option the program has, or names its version
    // otherwise, has drifted from the program.
    void manPagesFollowThePrograms_data() {
        QTest::addColumn<QString>("program");
        for (const QString& p : programs())
            QTest::addRow("%s", qPrintable(p)) << p;
    }
    void manPagesFollowThePrograms() {
        QFETCH(QString, program);
        const QString bin = installed(QStringLiteral("bin/") + program);
        const Run help = run(bin, {QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        QStringList options;
        static const QRegularExpression long_(QStringLiteral("^\\s+(?:-\\w, )?(--[\\w-]+)"));
        const auto optionsOf = [&options](const QString& help) {
            for (const QString& line : help.split(u'\n')) {
                const auto m = long_.match(line);
                if (m.hasMatch())
                    options << m.captured(1);
            }
        };
        optionsOf(help.out);
        QVERIFY(options.size() >= 3);
        // Commands with options of their own, as kliv-cli's, list them in their own help.
        static const QRegularExpression command(
            QStringLiteral("^  ([a-z][\\w-]*(?: [a-z]+)?)  +\\S"),
            QRegularExpression::MultilineOption);
        for (const auto& m :
             command.globalMatch(help.out.section(QStringLiteral("\nOptions:"), 0, 0))) {
            const Run own = run(bin, m.captured(1).split(u' ') << QStringLiteral("--help"));
            QCOMPARE(own.code, 0);
            optionsOf(own.out);
        }

        const Run page = run(QStringLiteral("gzip"),
                             {QStringLiteral("-dc"),
                              installed(QStringLiteral("share/man/man1/%1.1.gz").arg(program))});
        QCOMPARE(page.code, 0);
        // roff writes a minus in an option as "\-".
        const QString text = QString(page.out).replace(QStringLiteral("\\-"), QStringLiteral("-"));
        QStringList missing;
        for (const QString& o : options)
            if (!text.contains(QRegularExpression(QRegularExpression::escape(o) +
                                                  QStringLiteral("(?![\\w-])"))))
                missing << o;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
        QVERIFY(
            text.section(u'\n', 0, 0).contains(QStringLiteral("kliv-service ") + programVersion()));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
