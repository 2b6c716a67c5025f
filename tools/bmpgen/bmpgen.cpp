// Paints the panel's bitmap resources from src/resources/Bitmaps.def and
// PanelLayout.def into PNG files and writes the .qrc that embeds them.
//   hrx900-bmpgen OUTDIR           the panel's images and their .qrc
//   hrx900-bmpgen --icons DIR NAME SIZE...   the program's icon for the desktop
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/MeterTables.h"

namespace {

enum class Kind { Panel, Key, Lamp, Digit, Point, Dial, Tft, Needle, MeterFace, Strip, Icon, BarFace, BarScale };

struct BitmapRow {
  int id;
  int width;
  int height;
  Kind kind;
  const char* legend;
  unsigned foreground;
  unsigned background;
};

constexpr BitmapRow kBitmaps[] = {
#define HRX_BITMAP(id, w, h, kind, legend, fg, bg) {id, w, h, Kind::kind, legend, fg, bg},
#define HRX_BITMAP_SERIES(first, last, w, h, kind, legend, fg, bg)
#include "resources/Bitmaps.def"
#undef HRX_BITMAP
#undef HRX_BITMAP_SERIES
};

// A family of images painted from one row; each image knows its place in
// the family from its id.
struct SeriesRow {
  int first, last;
  BitmapRow look;
};

constexpr SeriesRow kSeries[] = {
#define HRX_BITMAP(id, w, h, kind, legend, fg, bg)
#define HRX_BITMAP_SERIES(first, last, w, h, kind, legend, fg, bg) \
  {first, last, {first, w, h, Kind::kind, legend, fg, bg}},
#include "resources/Bitmaps.def"
#undef HRX_BITMAP
#undef HRX_BITMAP_SERIES
};

constexpr bool inSeries(int id) {
  for (const SeriesRow& s : kSeries)
    if (id >= s.first && id <= s.last) return true;
  return false;
}

constexpr bool idsUnique() {
  for (const BitmapRow& a : kBitmaps) {
    if (inSeries(a.id)) return false;
    for (const BitmapRow& b : kBitmaps)
      if (&a != &b && a.id == b.id) return false;
  }
  for (const SeriesRow& a : kSeries)
    for (const SeriesRow& b : kSeries)
      if (&a != &b && a.first <= b.last && b.first <= a.last) return false;
  return true;
}
static_assert(idsUnique(), "a bitmap id appears twice in Bitmaps.def");

enum class Shape { Box, Key, Knob };
struct LayoutRow {
  Shape shape;
  int a, b, c, d;
  const char* text;
  unsigned colour;
};

constexpr LayoutRow kLayout[] = {
#define HRX_PANEL_BOX(l, t, r, b, colour) {Shape::Box, l, t, r, b, "", colour},
#define HRX_PANEL_KEY(l, t, r, b, legend) {Shape::Key, l, t, r, b, legend, 0},
#define HRX_PANEL_KNOB(cx, cy, radius, caption) {Shape::Knob, cx, cy, radius, 0, caption, 0},
#include "resources/PanelLayout.def"
#undef HRX_PANEL_BOX
#undef HRX_PANEL_KEY
#undef HRX_PANEL_KNOB
};

constexpr QRgb kKeyGreen = 0xFF00FF00;

QColor rgb(unsigned v) { return QColor(static_cast<QRgb>(0xFF000000u | v)); }

// Device pixels per image pixel of the set being painted: 1 for the images
// the panel is specified in, 2 for the @2x set a high-density screen uses.
// Every painter works in the image's own pixels; the canvas scales them.
double gScale = 1.0;

QImage canvas(int width, int height, QImage::Format format = QImage::Format_RGB32) {
  QImage img(static_cast<int>(std::lround(width * gScale)), static_cast<int>(std::lround(height * gScale)), format);
  img.setDevicePixelRatio(gScale);
  return img;
}

// Largest pixel size at which `text` fits the box.
QFont fitFont(const QString& text, int w, int h, bool bold) {
  QFont f("DejaVu Sans");
  f.setBold(bold);
  f.setStyleStrategy(QFont::NoAntialias);
  for (int px = std::max(6, h); px > 5; --px) {
    f.setPixelSize(px);
    QFontMetrics m(f);
    if (m.horizontalAdvance(text) <= w && m.height() <= h + 2) return f;
  }
  f.setPixelSize(6);
  return f;
}

void drawLegend(QPainter& p, const QRect& r, const QString& text, const QColor& colour) {
  if (text.isEmpty()) return;
  p.setFont(fitFont(text, r.width() - 2, r.height() - 2, true));
  p.setPen(colour);
  p.drawText(r, Qt::AlignCenter, text);
}

void drawKnob(QPainter& p, int cx, int cy, int r, const QString& caption) {
  p.setPen(QPen(QColor(0x0E, 0x0F, 0x11), 2));
  p.setBrush(QColor(0x3A, 0x3D, 0x42));
  p.drawEllipse(QPoint(cx, cy), r, r);
  p.setBrush(QColor(0x2A, 0x2C, 0x30));
  p.drawEllipse(QPoint(cx, cy), r * 55 / 100, r * 55 / 100);
  if (!caption.isEmpty()) {
    QFont f("DejaVu Sans");
    f.setPixelSize(8);
    p.setFont(f);
    p.setPen(QColor(0xC8, 0xC8, 0xC8));
    p.drawText(QRect(cx - 60, cy - r - 12, 120, 10), Qt::AlignCenter, caption);
  }
}

// The analog meter's geometry, shared by the faces and the needle frames:
// the needle turns about a pivot below the strip.
constexpr double kPivotX = 84.0;
constexpr double kPivotY = 104.0;
constexpr double kScaleRadius = 86.0;
constexpr double kSweepDeg = 70.0;

double needleAngle(double value) { return (-kSweepDeg / 2 + kSweepDeg * value / 255.0) * M_PI / 180.0; }
QPointF onArc(double value, double radius) {
  const double a = needleAngle(value);
  return {kPivotX + radius * std::sin(a), kPivotY - radius * std::cos(a)};
}

// The meter value a needle frame stands for: the middle of the values the
// needle table sends to it.
double frameValue(int id) {
  double sum = 0;
  int n = 0;
  for (std::size_t v = 0; v < hrx::render::kNeedleFrame.size(); ++v)
    if (hrx::render::kNeedleFrame[v] == id) sum += static_cast<double>(v), ++n;
  return n > 0 ? sum / n : 0.0;
}

QImage paintNeedle(const BitmapRow& row, int id) {
  QImage img = canvas(row.width, row.height);
  img.fill(Qt::black);   // the needle frames' key colour
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(rgb(row.foreground), 2));
  const double v = frameValue(id);
  p.drawLine(onArc(v, kScaleRadius - 56), onArc(v, kScaleRadius + 2));
  return img;
}

QImage paintMeterFace(const BitmapRow& row) {
  QImage img = canvas(row.width, row.height);
  img.fill(rgb(row.background));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QColor scale(0xF0, 0xF0, 0xF0);
  const QColor over(0xFF, 0x50, 0x40);
  // S units up to S9 at two thirds of the sweep, then +20 .. +60 in red.
  constexpr double kS9 = 170.0;
  const char* sLabels[] = {"1", "3", "5", "7", "9"};
  QFont f("DejaVu Sans");
  f.setPixelSize(8);
  f.setStyleStrategy(QFont::NoAntialias);
  p.setFont(f);
  for (int i = 0; i <= 9; ++i) {
    const double v = kS9 * i / 9.0;
    p.setPen(QPen(scale, 1));
    p.drawLine(onArc(v, kScaleRadius - (i % 2 ? 5 : 3)), onArc(v, kScaleRadius));
    if (i % 2 == 1) {
      const QPointF at = onArc(v, kScaleRadius + 7);
      p.drawText(QRectF(at.x() - 6, at.y() - 5, 12, 9), Qt::AlignCenter, sLabels[i / 2]);
    }
  }
  const char* overLabels[] = {"+20", "+40", "+60"};
  for (int i = 1; i <= 3; ++i) {
    const double v = kS9 + (255.0 - kS9) * i / 3.0;
    p.setPen(QPen(over, 1));
    p.drawLine(onArc(v, kScaleRadius - 5), onArc(v, kScaleRadius));
    const QPointF at = onArc(v, kScaleRadius + 7);
    p.drawText(QRectF(at.x() - 9, at.y() - 5, 18, 9), Qt::AlignCenter, overLabels[i - 1]);
  }
  p.setPen(QPen(scale, 1));
  for (double v = 0; v < kS9; v += 1.0) p.drawLine(onArc(v, kScaleRadius), onArc(v + 1.0, kScaleRadius));
  p.setPen(QPen(over, 2));
  for (double v = kS9; v < 255.0; v += 1.0) p.drawLine(onArc(v, kScaleRadius), onArc(v + 1.0, kScaleRadius));
  // The transmit scale below, named after the selected meter.
  p.setPen(QPen(rgb(row.foreground), 1));
  for (double v = 0; v < 255.0; v += 1.0) p.drawLine(onArc(v, kScaleRadius - 14), onArc(v + 1.0, kScaleRadius - 14));
  for (int i = 0; i <= 4; ++i) {
    const double v = 255.0 * i / 4.0;
    p.drawLine(onArc(v, kScaleRadius - 17), onArc(v, kScaleRadius - 14));
  }
  p.drawText(QRect(row.width - 34, row.height - 11, 32, 10), Qt::AlignRight | Qt::AlignVCenter,
             QString::fromUtf8(row.legend));
  p.setPen(scale);
  p.drawText(QRect(2, row.height - 11, 12, 10), Qt::AlignLeft | Qt::AlignVCenter, "S");
  return img;
}

// An opaque strip of the TFT screen: its ground, framed, with faint
// dividers for the icons drawn over it.
QImage paintStrip(const BitmapRow& row) {
  QImage img = canvas(row.width, row.height);
  img.fill(rgb(row.background));
  QPainter p(&img);
  p.setPen(rgb(row.foreground));
  p.drawRect(0, 0, row.width - 1, row.height - 1);
  for (int x = row.width / 4; x < row.width; x += row.width / 4) p.drawLine(x, 3, x, row.height - 4);
  return img;
}

// The program's icon: a small front panel with its display and dial. The
// window's copy is keyed with green; the desktop's has a transparent ground.
QImage paintIcon(const BitmapRow& row, bool transparent = false) {
  QImage img = canvas(row.width, row.height, transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  img.fill(transparent ? QColor(Qt::transparent) : QColor(kKeyGreen));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  const double u = row.width / 32.0;
  p.setPen(QPen(QColor(0x12, 0x13, 0x15), u));
  p.setBrush(rgb(row.background));
  p.drawRoundedRect(QRectF(1 * u, 6 * u, 30 * u, 20 * u), 2 * u, 2 * u);
  p.fillRect(QRectF(4 * u, 9 * u, 12 * u, 5 * u), QColor(0x0A, 0x0A, 0x0A));
  p.fillRect(QRectF(5 * u, 10.5 * u, 10 * u, 2 * u), rgb(row.foreground));
  p.setBrush(QColor(0x50, 0x54, 0x59));
  p.drawEllipse(QPointF(23 * u, 16 * u), 6 * u, 6 * u);
  p.setBrush(QColor(0x3A, 0x3D, 0x42));
  for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF((5 + 4.5 * i) * u, 21 * u), 1.6 * u, 1.6 * u);
  return img;
}

QImage paintPanel(const BitmapRow& row) {
  QImage img = canvas(row.width, row.height);
  img.fill(rgb(row.background));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  // A lighter frame and the model name, as on the real front.
  p.setPen(QPen(QColor(0x44, 0x48, 0x4E), 3));
  p.drawRect(1, 1, row.width - 3, row.height - 3);
  QFont brand("DejaVu Sans");
  brand.setBold(true);
  brand.setPixelSize(14);
  p.setFont(brand);
  p.setPen(rgb(row.foreground));
  p.drawText(QRect(160, 4, 280, 20), Qt::AlignLeft | Qt::AlignVCenter, "HRX900  HF TRANSCEIVER");
  for (const LayoutRow& l : kLayout) {
    const QString text = QString::fromUtf8(l.text);
    switch (l.shape) {
      case Shape::Box:
        p.fillRect(QRect(QPoint(l.a, l.b), QPoint(l.c, l.d)), rgb(l.colour));
        break;
      case Shape::Key: {
        const QRect r(QPoint(l.a, l.b), QPoint(l.c, l.d));
        p.setPen(QColor(0x12, 0x13, 0x15));
        p.setBrush(QColor(0x45, 0x48, 0x4E));
        p.drawRoundedRect(r, 3, 3);
        drawLegend(p, r, text, rgb(row.foreground));
        break;
      }
      case Shape::Knob:
        drawKnob(p, l.a, l.b, l.c, text);
        break;
    }
  }
  return img;
}

// The bar meter's face: the S scale above the first bar's upper place, the
// meter's name under the second bar. Segment i sits at x = 26 + 2i.
QImage paintBarFace(const BitmapRow& row) {
  QImage img(row.width, row.height, QImage::Format_RGB32);
  img.fill(rgb(row.background));
  QPainter p(&img);
  QFont f("DejaVu Sans");
  f.setPixelSize(7);
  f.setStyleStrategy(QFont::NoAntialias);
  p.setFont(f);
  const char* labels[] = {"1", "3", "5", "7", "9", "+20", "+40", "+60"};
  for (int i = 0; i < 8; ++i) {
    const int x = 26 + 2 * (i < 5 ? i * 9 : 45 + (i - 5) * 6);
    p.setPen(i < 5 ? QColor(0xF0, 0xF0, 0xF0) : QColor(0xFF, 0x50, 0x40));
    p.drawLine(x, 12, x, 14);
    p.drawText(QRect(x - 9, 3, 18, 9), Qt::AlignCenter, labels[i]);
  }
  p.setPen(QColor(0x40, 0x50, 0x70));
  p.drawLine(26, 23, 152, 23);
  p.drawLine(26, 33, 152, 33);
  p.setPen(rgb(row.foreground));
  p.drawText(QRect(2, 16, 22, 8), Qt::AlignLeft | Qt::AlignVCenter, "S");
  p.drawText(QRect(2, 34, 22, 9), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(row.legend));
  p.drawText(QRect(2, 44, 40, 10), Qt::AlignLeft | Qt::AlignVCenter, "BAR");
  return img;
}

// The centre-zero scale of the bar display: minus and plus at the ends,
// ticks, a red centre.
QImage paintBarScale(const BitmapRow& row) {
  QImage img(row.width, row.height, QImage::Format_RGB32);
  img.fill(rgb(row.background));
  QPainter p(&img);
  p.setPen(rgb(row.foreground));
  p.drawLine(0, 2, 2, 2);                 // minus
  p.drawLine(row.width - 3, 2, row.width - 1, 2);
  p.drawLine(row.width - 2, 1, row.width - 2, 3);   // plus
  for (int x = 5; x < row.width - 4; x += 6) p.drawPoint(x, row.height - 1);
  // Darker than the centre mark drawn over it.
  p.setPen(QColor(0x90, 0x20, 0x20));
  p.drawLine(35, 0, 35, row.height - 1);
  return img;
}

QImage paintBitmap(const BitmapRow& row, int id) {
  switch (row.kind) {
    case Kind::BarFace:
      return paintBarFace(row);
    case Kind::BarScale:
      return paintBarScale(row);
    case Kind::Panel:
      return paintPanel(row);
    case Kind::Needle:
      return paintNeedle(row, id);
    case Kind::MeterFace:
      return paintMeterFace(row);
    case Kind::Strip:
      return paintStrip(row);
    case Kind::Icon:
      return paintIcon(row);
    default:
      break;
  }
  QImage img = canvas(row.width, row.height);
  const QString legend = QString::fromUtf8(row.legend);
  const QRect all(0, 0, row.width, row.height);
  switch (row.kind) {
    case Kind::Key:
    case Kind::Lamp: {
      img.fill(kKeyGreen);
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QColor(0x12, 0x13, 0x15));
      p.setBrush(rgb(row.background));
      p.drawRoundedRect(all.adjusted(0, 0, -1, -1), 3, 3);
      if (row.kind == Kind::Lamp) {
        const int bar = std::max(3, row.height / 5);
        p.fillRect(QRect(4, 3, row.width - 8, bar), rgb(row.foreground));
        drawLegend(p, QRect(1, 3 + bar, row.width - 2, row.height - 4 - bar), legend, QColor(0xE0, 0xE0, 0xE0));
      } else {
        drawLegend(p, all, legend, rgb(row.foreground));
      }
      break;
    }
    case Kind::Digit: {
      img.fill(rgb(row.background));
      QPainter p(&img);
      QFont f("DejaVu Sans Mono");
      f.setBold(true);
      f.setPixelSize(row.height);
      f.setStyleStrategy(QFont::NoAntialias);
      p.setFont(f);
      p.setPen(rgb(row.foreground));
      p.drawText(all, Qt::AlignCenter, legend);
      break;
    }
    case Kind::Point:
      img.fill(rgb(row.foreground));
      break;
    case Kind::Dial: {
      img.fill(kKeyGreen);
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing, false);
      const int r = row.width / 2 - 1;
      const QPoint c(row.width / 2, row.height / 2);
      p.setPen(QPen(rgb(row.background), 2));
      p.setBrush(rgb(row.foreground));
      p.drawEllipse(c, r, r);
      p.setPen(QPen(rgb(row.background), 1));
      for (int deg = 0; deg < 360; deg += 6) {
        const double a = deg * M_PI / 180.0;
        p.drawLine(QPointF(c.x() + (r - 8) * std::cos(a), c.y() - (r - 8) * std::sin(a)),
                   QPointF(c.x() + (r - 2) * std::cos(a), c.y() - (r - 2) * std::sin(a)));
      }
      p.setBrush(rgb(row.foreground).darker(130));
      p.drawEllipse(c, r * 2 / 3, r * 2 / 3);
      break;
    }
    case Kind::Tft: {
      img.fill(rgb(row.background));
      QPainter p(&img);
      drawLegend(p, all, legend, rgb(row.foreground));
      break;
    }
    default:
      break;
  }
  return img;
}

// The window icon's row, the source of the desktop's icons too.
constexpr int kIconId = 128;

const BitmapRow* findRow(int id) {
  for (const BitmapRow& row : kBitmaps)
    if (row.id == id) return &row;
  return nullptr;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Every row at its own size and at twice it (<id>@2x.png, for a device
// pixel ratio of 2), and the .qrc that lists them.
int paintBitmaps(const QString& outDir) {
  QString qrc = "<RCC>\n  <qresource prefix=\"/bitmaps\">\n";
  auto write = [&](const BitmapRow& row, int id) {
    for (const double scale : {1.0, 2.0}) {
      gScale = scale;
      const QString name = QString::number(id) + (scale == 1.0 ? ".png" : "@2x.png");
      if (!paintBitmap(row, id).save(outDir + "/" + name, "PNG")) {
        std::fprintf(stderr, "hrx900-bmpgen: cannot write %s\n", qPrintable(name));
        return false;
      }
      qrc += "    <file>" + name + "</file>\n";
    }
    return true;
  };
  for (const BitmapRow& row : kBitmaps)
    if (!write(row, row.id)) return 1;
  for (const SeriesRow& s : kSeries)
    for (int id = s.first; id <= s.last; ++id)
      if (!write(s.look, id)) return 1;
  qrc += "  </qresource>\n</RCC>\n";
  if (!writeFile(outDir + "/hrx900bitmaps.qrc", qrc.toUtf8())) {
    std::fprintf(stderr, "hrx900-bmpgen: cannot write the resource list\n");
    return 1;
  }
  return 0;
}

// The window icon at each size, for the desktop's icon theme:
// OUTDIR/<n>x<n>/apps/NAME.png.
int paintIcons(const QString& outDir, const QString& name, const QStringList& sizes) {
  const BitmapRow* row = findRow(kIconId);
  if (row == nullptr) {
    std::fprintf(stderr, "hrx900-bmpgen: no icon row %d\n", kIconId);
    return 1;
  }
  for (const QString& text : sizes) {
    bool ok = false;
    const int size = text.toInt(&ok);
    if (!ok || size < 8 || size > 1024) {
      std::fprintf(stderr, "hrx900-bmpgen: bad icon size %s\n", qPrintable(text));
      return 2;
    }
    gScale = static_cast<double>(size) / row->width;
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
    QImage img = paintIcon(*row, true);
    img.setDevicePixelRatio(1.0);
    if (!QDir().mkpath(dir) || !img.save(dir + "/" + name + ".png", "PNG")) {
      std::fprintf(stderr, "hrx900-bmpgen: cannot write the %dx%d icon\n", size, size);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool icons = argc >= 5 && std::strcmp(argv[1], "--icons") == 0;
  if (argc != 2 && !icons) {
    std::fprintf(stderr, "usage: %s OUTDIR | --icons OUTDIR NAME SIZE...\n", argv[0]);
    return 2;
  }
  // Fonts need a GUI application; no display is used.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString outDir = QString::fromLocal8Bit(argv[icons ? 2 : 1]);
  if (!QDir().mkpath(outDir)) {
    std::fprintf(stderr, "hrx900-bmpgen: cannot create %s\n", qPrintable(outDir));
    return 1;
  }
  if (!icons) return paintBitmaps(outDir);
  QStringList sizes;
  for (int i = 4; i < argc; ++i) sizes << QString::fromLocal8Bit(argv[i]);
  return paintIcons(outDir, QString::fromLocal8Bit(argv[3]), sizes);
}
