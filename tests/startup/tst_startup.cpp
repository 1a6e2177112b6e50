// The program's start and end as the user sees them, on the real serial port layer:
// the main window shown with its pages, then closed. In the sanitizer build the leak
// check at the end of this process covers everything the windows built and freed.
#include "app/mainwindow.h"
#include "common/recordingprompt.h"
#include "link/engine.h"
#include "link/serialport.h"
#include "search/searchwindow.h"

#include <QApplication>
#include <QPointer>
#include <QTabWidget>
#include <QTest>

using namespace kliv;

class TestStartup : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void showEveryPageAndClose();
};

void TestStartup::showEveryPageAndClose() {
    QPointer<QWidget> search;
    {
        Engine engine(new SerialPort);
        test::RecordingPrompt prompt;
        MainWindow form1(engine, prompt);
        form1.setPorts(SerialPort::openablePorts({}));
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        search = &form1.searchDialog();
        for (int i = 0; i < form1.pages()->count(); ++i) {
            form1.pages()->setCurrentIndex(i);
            QCoreApplication::processEvents();
            QVERIFY(form1.pages()->currentWidget()->isVisible());
        }
        QVERIFY(form1.close());
        QCoreApplication::processEvents();
        QVERIFY(!engine.isOpen());
    }
    // The windows the main window owns go with it.
    QVERIFY(search.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
