// PNG resources and the four-frame image button, checked on the pixels it draws.

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

#include "widgets/IconButton.h"
#include "widgets/PngButton.h"
#include "widgets/PngResource.h"

using namespace orq;

namespace {

// A strip whose four frames are filled with distinct colours, each with a black mark at its
// top-left corner so an offset source rectangle shows; the columns beyond 4 × (width / 4) are
// white, so they must never show.
QImage Strip(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QColor colours[4] = {QColor(200, 0, 0), QColor(0, 160, 0), QColor(0, 0, 220),
                               QColor(230, 200, 0)};
    const int fw = width / 4;
    QPainter p(&img);
    for (int i = 0; i < 4; ++i) {
        p.fillRect(i * fw, 0, fw, height, colours[i]);
        p.fillRect(i * fw, 0, 2, 2, Qt::black);
    }
    return img;
}

QImage Shown(QWidget& b) {
    return b.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
QImage FrameOf(const QImage& strip, int frame) {
    const int fw = strip.width() / 4;
    return strip.copy(frame * fw, 0, fw, strip.height());
}

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)));
    QCoreApplication::sendEvent(w, &e);
}
void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

// A button on a shown parent, the pointer away from it.
struct OnScreen {
    QWidget parent;
    CPngButton b{&parent};
    bool Show() {
        parent.show();
        const bool exposed = QTest::qWaitForWindowExposed(&parent);
        Leave(&b);  // the pointer may rest where the window appeared
        return exposed;
    }
};

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitPngResources(); }
    void loadsPicturesAndAMissingOneDrawsNothing();
    void buttonShowsEachStateFrameAndCountsADoubleClickTwice();
    void setImageResizesWithoutMovingKeepsTheFirstTooltipAndRoundsTheFrameDown();
    void iconButtonLightensUnderThePointerAndClicks();
};

void WidgetsTest::loadsPicturesAndAMissingOneDrawsNothing() {
    const auto unit = LoadPngResource(170);
    QVERIFY(unit);
    QCOMPARE(unit->size(), QSize(150, 101));
    QVERIFY(LoadPngResource(128, "ICON"));
    QVERIFY(!LoadPngResource(170, "ICON"));  // right id, wrong type
    CPngButton preset;
    preset.SetImage(244);
    QCOMPARE(preset.size(), QSize(150, 90));  // one frame of the strip

    OnScreen s;
    s.parent.setAutoFillBackground(true);
    QPalette pal = s.parent.palette();
    pal.setColor(QPalette::Window, QColor(1, 2, 3));
    s.parent.setPalette(pal);
    s.b.setGeometry(0, 0, 40, 20);
    s.b.SetImage(9999);
    QVERIFY(!s.b.HasImage());
    QCOMPARE(s.b.size(), QSize(40, 20));
    QVERIFY(s.Show());
    QCOMPARE(QColor(s.parent.grab(s.b.geometry()).toImage().pixel(20, 10)), QColor(1, 2, 3));
    QSignalSpy clicks(&s.b, &QAbstractButton::clicked);  // it is still a button
    QTest::mouseClick(&s.b, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
}

void WidgetsTest::buttonShowsEachStateFrameAndCountsADoubleClickTwice() {
    OnScreen s;
    CPngButton& b = s.b;
    const QImage strip = Strip(600, 90);
    b.SetImage(strip);
    QVERIFY(s.Show());
    // Each step and the frame it shows. Selected, hover and a real press still show, and
    // leaving shows selected again.
    const auto none = [] {};
    const auto enter = [&] { Enter(&b); };
    const auto leave = [&] { Leave(&b); };
    const auto down = [&] { b.setDown(true); };
    const auto upAndLeave = [&] { b.setDown(false), Leave(&b); };
    const auto select = [&] { b.SetSelected(true); };
    const auto unselect = [&] { b.SetSelected(false); };
    const auto press = [&] { QTest::mousePress(&b, Qt::LeftButton, {}, {10, 10}); };
    const auto release = [&] { QTest::mouseRelease(&b, Qt::LeftButton, {}, {10, 10}); };
    const std::pair<std::function<void()>, int> steps[] = {
        {none, 0},  {enter, 1}, {down, 2},    {upAndLeave, 0}, {select, 3},
        {enter, 1}, {press, 2}, {release, 1}, {leave, 3},      {unselect, 0}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        QVERIFY2(Shown(b) == FrameOf(strip, steps[i].second), qPrintable(QString::number(i)));
    }

    // What the window system delivers for a double-click: press, release, double-click, release.
    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    const QPointF at(5, 5);
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, b.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&b, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    QCOMPARE(clicks.size(), 1);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    QCOMPARE(clicks.size(), 2);
}

void WidgetsTest::setImageResizesWithoutMovingKeepsTheFirstTooltipAndRoundsTheFrameDown() {
    OnScreen s;
    CPngButton& b = s.b;
    b.setGeometry(30, 40, 82, 52);
    b.setText(QStringLiteral("Beginner"));
    b.SetImage(Strip(600, 90));
    QCOMPARE(b.geometry(), QRect(30, 40, 150, 90));
    QCOMPARE(b.toolTip(), QStringLiteral("Beginner"));
    QCOMPARE(b.accessibleName(), QStringLiteral("Beginner"));
    b.setText(QStringLiteral("Other"));
    const QImage second = Strip(403, 50);  // 403 / 4 = 100: three white columns never show
    b.SetImage(second);
    QCOMPARE(b.geometry(), QRect(30, 40, 100, 50));
    QCOMPARE(b.toolTip(), QStringLiteral("Beginner"));
    QVERIFY(s.Show());
    b.SetSelected(true);
    QCOMPARE(Shown(b), FrameOf(second, 3));

    // An accessible name the owner gave is kept.
    CPngButton named(&s.parent);
    named.setAccessibleName(QStringLiteral("3D Hard"));
    named.setText(QStringLiteral("x"));
    named.SetImage(Strip(8, 8));
    QCOMPARE(named.accessibleName(), QStringLiteral("3D Hard"));
}

// The trim page's arrows: tiny, so the one under the pointer must stand out; every component of
// the face rises by the offset, none beyond 255.
void WidgetsTest::iconButtonLightensUnderThePointerAndClicks() {
    QWidget window;
    auto* b = new CIconButton(&window);
    b->setGeometry(10, 10, 26, 20);
    b->SetIcon(206);
    QVERIFY(b->HasIcon());
    QPalette palette = b->palette();
    palette.setColor(QPalette::Button, QColor(200, 230, 240));
    b->setPalette(palette);
    b->SetHoverOffset(30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto face = [b] { return QColor(b->grab().toImage().pixel(2, 2)); };
    QCOMPARE(face(), QColor(200, 230, 240));
    Enter(b);
    QCOMPARE(face(), QColor(230, 255, 255));
    Leave(b);
    QCOMPARE(face(), QColor(200, 230, 240));
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(WidgetsTest)
#include "WidgetsTest.moc"
