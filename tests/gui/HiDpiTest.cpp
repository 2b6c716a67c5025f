// The window on a screen of device pixel ratio 2 (CTest runs this suite with
// QT_SCALE_FACTOR=2): the panel in twice as many device pixels from the @2x
// images, its keys where they always were.
#include <QtTest>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/QtMainWindow.h"

using hrx::test::Request;
using hrx::test::showsBitmap;

namespace {

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
    hrx::test::FakeCore core;
    core.st.set_VfoA_Freq(14195000);
    hrx::gui::QtMainWindow w;
    w.setCore(&core);
    w.show();
    w.startUp();
    QTRY_COMPARE(w.dispStartLog().size(), 97u);
    hrx::render::BitmapStore& store = w.renderer().store();
    // What the panel widget paints, without the splash over it.
    const auto painted = [&] {
      QPixmap pm(QSize(2048, 670));
      pm.setDevicePixelRatio(2.0);
      w.panelWidget()->render(&pm, QPoint(), QRegion(), QWidget::DrawWindowBackground);
      return pm.toImage().convertToFormat(QImage::Format_RGB32);
    };
    QCOMPARE(w.panelWidget()->size(), QSize(1024, 335));
    QCOMPARE(w.surfaceImage().size(), QSize(1024, 335));   // the panel image keeps its own pixel size
    QImage shown = painted();
    QCOMPARE(shown.size(), QSize(2048, 670));
    // The background's @2x image fills the panel: its frame corner and the
    // brand's letters come from it, not from a doubled 1221.
    const QImage* back = store.hiRes(store.LoadBitmap(1221));
    QVERIFY(back != nullptr && back->size() == QSize(2048, 670));
    QCOMPARE(shown.pixel(1900, 660), back->pixel(1900, 660));
    QVERIFY(splitPairs(shown, QRect(320, 8, 560, 40)) > 50);
    // 14.195.000: a "1" at position 0 from its twice-size image, and every
    // digit area with edges between the two device columns of a pixel.
    const QImage* one = store.LoadBitmap(1332);
    QTRY_VERIFY(hrx::test::showsMainDigit(w.surfaceImage(), one, 0));
    QVERIFY(store.hiRes(one) != nullptr && store.hiRes(one)->size() == QSize(36, 52));
    QVERIFY(showsBitmap(shown, store.hiRes(one), 621 * 2, 53 * 2, 0xFF00FF00, 34));
    for (const int x : {621, 641, 664, 684, 704, 727, 747, 767})
      QVERIFY2(splitPairs(shown, QRect(x * 2, 53 * 2, 36, 52)) > 4, qPrintable(QString::number(x)));

    // A click at the COM lamp's logical centre presses it; its pressed image
    // is shown at twice the place; a gap between keys stays a gap.
    QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(33, 144));
    QCOMPARE(core.requests, (std::vector<Request>{{1, false, 0}}));
    QVERIFY(showsBitmap(w.surfaceImage(), store.LoadBitmap(1961), 14, 130, 0xFF00FF00));
    QVERIFY(showsBitmap(painted(), store.hiRes(store.LoadBitmap(1961)), 28, 260, 0xFF00FF00));
    QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(30, 125));
    QCOMPARE(core.requests.size(), 1u);
    w.setCore(nullptr);
  }
};

static const hrx::test::GuiSuite kSuite("HiDpi", hrx::test::runSuite<HiDpiTest>);

#include "HiDpiTest.moc"
