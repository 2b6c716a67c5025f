// The window on a screen of device pixel ratio 2 (CTest runs this suite with
// QT_SCALE_FACTOR=2): the panel in twice as many device pixels from the @2x
// images, its keys where they always were.
#include <QMouseEvent>
#include <QPainter>
#include <QtTest>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;
using hrx::test::FakeCore;
using hrx::test::Request;
using hrx::test::showsBitmap;

namespace {

constexpr QRgb kGreen = 0xFF00FF00;

struct Rig {
  Rig() {
    core.st.set_VfoA_Freq(14195000);
    w.setCore(&core);
    w.show();
    w.startUp();
    QTRY_COMPARE(w.dispStartLog().size(), 97u);
  }
  // What the panel widget paints, without the splash over it.
  QImage painted() {
    QPixmap pm(QSize(1024, 335) * 2);
    pm.setDevicePixelRatio(2.0);
    w.panelWidget()->render(&pm, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return pm.toImage().convertToFormat(QImage::Format_RGB32);
  }
  hrx::render::BitmapStore& store() { return w.renderer().store(); }
  FakeCore core;
  QtMainWindow w;
};

// Columns 2k and 2k+1 differ somewhere: the area was not drawn by doubling.
int splitPairs(const QImage& img, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x < r.right(); x += 2) n += img.pixel(x, y) != img.pixel(x + 1, y);
  return n;
}

}  // namespace

class HiDpiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void panelInDevicePixels() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    Rig r;
    QCOMPARE(r.w.panelWidget()->size(), QSize(1024, 335));
    const QImage shown = r.painted();
    QCOMPARE(shown.size(), QSize(2048, 670));
    // The specified panel stays in its own pixels.
    QCOMPARE(r.w.surfaceImage().size(), QSize(1024, 335));
    // The background's @2x image fills the panel: its frame corner and the
    // brand's letters come from it, not from a doubled 1221.
    const QImage* back = r.store().hiRes(r.store().LoadBitmap(1221));
    QVERIFY(back != nullptr);
    QCOMPARE(back->size(), QSize(2048, 670));
    QCOMPARE(shown.pixel(1900, 660), back->pixel(1900, 660));
    QVERIFY(splitPairs(shown, QRect(320, 8, 560, 40)) > 50);
  }

  void mainDigitsFromTwiceSizeImages() {
    Rig r;
    // 14.195.000: the first glyph is a "1" at position 0 (x 621 on the panel).
    const QImage* one = r.store().LoadBitmap(1332);
    QTRY_VERIFY(hrx::test::showsMainDigit(r.w.surfaceImage(), one, 0));
    const QImage* twice = r.store().hiRes(one);
    QVERIFY(twice != nullptr);
    QCOMPARE(twice->size(), QSize(36, 52));
    const QImage shown = r.painted();
    QVERIFY(showsBitmap(shown, twice, 621 * 2, 53 * 2, kGreen, 34));
    // Every digit area has edges between the two device columns of one panel
    // pixel; a doubled image has none.
    for (const int x : {621, 641, 664, 684, 704, 727, 747, 767})
      QVERIFY2(splitPairs(shown, QRect(x * 2, 53 * 2, 36, 52)) > 4, qPrintable(QString::number(x)));
  }

  void clickAtLogicalCentrePressesKey() {
    Rig r;
    // The COM lamp, 14..53 x 130..158 in panel pixels.
    QTest::mouseClick(r.w.panelWidget(), Qt::LeftButton, {}, QPoint(33, 144));
    QCOMPARE(r.core.requests, (std::vector<Request>{{1, false, 0}}));
    // Its pressed image is shown at twice the place in device pixels.
    QVERIFY(showsBitmap(r.w.surfaceImage(), r.store().LoadBitmap(1961), 14, 130, kGreen));
    QVERIFY(showsBitmap(r.painted(), r.store().hiRes(r.store().LoadBitmap(1961)), 28, 260, kGreen));
    // A gap between keys stays a gap.
    QTest::mouseClick(r.w.panelWidget(), Qt::LeftButton, {}, QPoint(30, 125));
    QCOMPARE(r.core.requests.size(), 1u);
  }
};

static const hrx::test::GuiSuite kSuite("HiDpi", hrx::test::runSuite<HiDpiTest>);

#include "HiDpiTest.moc"
