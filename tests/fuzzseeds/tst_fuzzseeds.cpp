// Every fuzz harness, built with the ordinary compiler, over its seed corpus: a harness
// that no longer builds or no longer passes its own seeds is found by the test run, not
// hours into a fuzzing run.
#include <QtTest>

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Only the harnesses that set up their own application define it.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

class TestFuzzSeeds : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void seedPasses_data();
    void seedPasses();
};

void TestFuzzSeeds::seedPasses_data() {
    QTest::addColumn<QString>("path");
    QDirIterator it(QStringLiteral(KLIV_SEEDS), QDir::Files, QDirIterator::Subdirectories);
    int n = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QTest::newRow(qPrintable(QDir(QStringLiteral(KLIV_SEEDS)).relativeFilePath(path))) << path;
        ++n;
    }
    QVERIFY2(n > 0, "no seeds in " KLIV_SEEDS);
}

void TestFuzzSeeds::seedPasses() {
    QFETCH(QString, path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // A harness states its findings by aborting: the test run reports the crash.
    QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                    size_t(bytes.size())),
             0);
}

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    TestFuzzSeeds test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fuzzseeds.moc"
