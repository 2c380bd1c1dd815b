// PNG resources and the four-frame image button, checked on the pixels it draws.

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include "app/Resources.h"
#include "widgets/PngButton.h"
#include "widgets/PngResource.h"

using namespace orq;

namespace {

// A strip of `width` × `height` whose four frames are filled with distinct colours; the
// pixels beyond 4 × (width / 4) are white, so they must never show.
QImage Strip(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QColor colours[4] = {QColor(200, 0, 0), QColor(0, 160, 0), QColor(0, 0, 220),
                               QColor(230, 200, 0)};
    const int fw = width / 4;
    QPainter p(&img);
    for (int i = 0; i < 4; ++i) {
        p.fillRect(i * fw, 0, fw, height, colours[i]);
        // A mark at each frame's top-left corner so an offset source rectangle shows.
        p.fillRect(i * fw, 0, 2, 2, Qt::black);
    }
    return img;
}

// What the button shows, compared with frame `frame` of `strip` pixel by pixel.
bool ShowsFrame(CPngButton& b, const QImage& strip, int frame) {
    const QImage shown = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int fw = strip.width() / 4;
    const QImage expected =
        strip.copy(frame * fw, 0, fw, strip.height()).convertToFormat(QImage::Format_RGB32);
    if (shown.size() != expected.size()) {
        qWarning() << "size" << shown.size() << "expected" << expected.size();
        return false;
    }
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != expected.pixel(x, y)) {
                qWarning() << "frame" << frame << "differs at" << x << y << QColor(shown.pixel(x, y))
                           << "expected" << QColor(expected.pixel(x, y));
                return false;
            }
    return true;
}

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)));
    QCoreApplication::sendEvent(w, &e);
}
void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitGuiResources(); }
    void loadsPicturesAndReportsMissingOnes();
    void buttonShowsEachStateFrame();
    void selectedButtonShowsHoverAndPressedAndReturnsToSelected();
    void frameWidthRoundsDownAndTheRestOfTheStripNeverShows();
    void setImageResizesWithoutMovingAndKeepsTheFirstTooltip();
    void missingImageDrawsNothingAndKeepsTheSize();
    void doubleClickCountsAsTwoClicks();
    void presetStripFromResourcesIsOneFrameWide();
};

void WidgetsTest::loadsPicturesAndReportsMissingOnes() {
    QCOMPARE(PngResourcePath(170), QStringLiteral(":/PNG/170.png"));
    QCOMPARE(PngResourcePath(183, "BITMAP"), QStringLiteral(":/BITMAP/183.png"));
    const auto unit = LoadPngResource(170);
    QVERIFY(unit);
    QCOMPARE(unit->size(), QSize(150, 101));
    QVERIFY(LoadPngResource(128, "ICON"));
    QVERIFY(!LoadPngResource(170, "ICON"));  // right id, wrong type
    QVERIFY(!LoadPngResource(9999));
}

void WidgetsTest::buttonShowsEachStateFrame() {
    QWidget parent;
    CPngButton b(&parent);
    const QImage strip = Strip(600, 90);
    b.SetImage(strip);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(&b);  // the pointer may rest where the window appeared

    QCOMPARE(b.CurrentFrame(), CPngButton::kNormal);
    QVERIFY(ShowsFrame(b, strip, 0));
    Enter(&b);
    QVERIFY(ShowsFrame(b, strip, 1));
    b.setDown(true);
    QVERIFY(ShowsFrame(b, strip, 2));
    b.setDown(false);
    Leave(&b);
    QVERIFY(ShowsFrame(b, strip, 0));
    b.SetSelected(true);
    QVERIFY(ShowsFrame(b, strip, 3));
    b.SetSelected(false);
    QVERIFY(ShowsFrame(b, strip, 0));
}

void WidgetsTest::selectedButtonShowsHoverAndPressedAndReturnsToSelected() {
    QWidget parent;
    CPngButton b(&parent);
    const QImage strip = Strip(600, 90);
    b.SetImage(strip);
    b.SetSelected(true);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(&b);  // the pointer may rest where the window appeared

    Enter(&b);
    QVERIFY(ShowsFrame(b, strip, 1));
    // A real press and release with the mouse: pressed while down, hover after.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(ShowsFrame(b, strip, 2));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(ShowsFrame(b, strip, 1));
    Leave(&b);
    QVERIFY(ShowsFrame(b, strip, 3));
    QVERIFY(b.Selected());
}

void WidgetsTest::frameWidthRoundsDownAndTheRestOfTheStripNeverShows() {
    QWidget parent;
    CPngButton b(&parent);
    const QImage strip = Strip(603, 40);  // 603 / 4 = 150, three white columns at the right
    b.SetImage(strip);
    QCOMPARE(b.FrameWidth(), 150);
    QCOMPARE(b.size(), QSize(150, 40));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(&b);  // the pointer may rest where the window appeared
    b.SetSelected(true);
    QVERIFY(ShowsFrame(b, strip, 3));
    const QImage shown = b.grab().toImage();
    QCOMPARE(QColor(shown.pixel(149, 20)), QColor(230, 200, 0));
}

void WidgetsTest::setImageResizesWithoutMovingAndKeepsTheFirstTooltip() {
    QWidget parent;
    CPngButton b(&parent);
    b.setGeometry(30, 40, 82, 52);
    b.setText(QStringLiteral("Beginner"));
    b.SetImage(Strip(600, 90));
    QCOMPARE(b.geometry(), QRect(30, 40, 150, 90));
    QCOMPARE(b.toolTip(), QStringLiteral("Beginner"));
    QCOMPARE(b.accessibleName(), QStringLiteral("Beginner"));

    b.setText(QStringLiteral("Other"));
    const QImage second = Strip(400, 50);
    b.SetImage(second);
    QCOMPARE(b.geometry(), QRect(30, 40, 100, 50));
    QCOMPARE(b.toolTip(), QStringLiteral("Beginner"));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(&b);  // the pointer may rest where the window appeared
    QVERIFY(ShowsFrame(b, second, 0));

    // An accessible name the owner gave is kept.
    CPngButton named(&parent);
    named.setAccessibleName(QStringLiteral("3D Hard"));
    named.setText(QStringLiteral("x"));
    named.SetImage(Strip(8, 8));
    QCOMPARE(named.accessibleName(), QStringLiteral("3D Hard"));
}

void WidgetsTest::missingImageDrawsNothingAndKeepsTheSize() {
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(1, 2, 3));
    parent.setPalette(pal);
    CPngButton b(&parent);
    b.setGeometry(0, 0, 40, 20);
    b.SetImage(9999);
    QVERIFY(!b.HasImage());
    QCOMPARE(b.size(), QSize(40, 20));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(&b);  // the pointer may rest where the window appeared
    const QImage shown = parent.grab(b.geometry()).toImage();
    QCOMPARE(QColor(shown.pixel(20, 10)), QColor(1, 2, 3));
    // It is still a button.
    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
}

void WidgetsTest::doubleClickCountsAsTwoClicks() {
    QWidget parent;
    CPngButton b(&parent);
    b.SetImage(Strip(600, 90));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(&b);  // the pointer may rest where the window appeared
    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    // What the window system delivers for a double-click: press, release, double-click, release.
    const QPointF at(5, 5);
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, b.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&b, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    QCOMPARE(clicks.size(), 1);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    QVERIFY(b.isDown());
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    QCOMPARE(clicks.size(), 2);
}

void WidgetsTest::presetStripFromResourcesIsOneFrameWide() {
    QWidget parent;
    CPngButton b(&parent);
    b.SetImage(244);
    QVERIFY(b.HasImage());
    QCOMPARE(b.size(), QSize(150, 90));
}

QTEST_MAIN(WidgetsTest)
#include "WidgetsTest.moc"
