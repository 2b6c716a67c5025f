// Paints the panel's bitmap resources from src/resources/Bitmaps.def and
// PanelLayout.def into PNG files and writes the .qrc that embeds them.
//   hrx900-bmpgen OUTDIR
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

namespace {

enum class Kind { Panel, Key, Lamp, Digit, Point, Dial, Tft };

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
#include "resources/Bitmaps.def"
#undef HRX_BITMAP
};

constexpr bool idsUnique() {
  for (const BitmapRow& a : kBitmaps)
    for (const BitmapRow& b : kBitmaps)
      if (&a != &b && a.id == b.id) return false;
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

QImage paintPanel(const BitmapRow& row) {
  QImage img(row.width, row.height, QImage::Format_RGB32);
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

QImage paintBitmap(const BitmapRow& row) {
  if (row.kind == Kind::Panel) return paintPanel(row);
  QImage img(row.width, row.height, QImage::Format_RGB32);
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
    case Kind::Panel:
      break;
  }
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  // Fonts need a GUI application; no display is used.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(outDir)) {
    std::fprintf(stderr, "hrx900-bmpgen: cannot create %s\n", argv[1]);
    return 1;
  }
  QString qrc = "<RCC>\n  <qresource prefix=\"/bitmaps\">\n";
  for (const BitmapRow& row : kBitmaps) {
    const QString name = QString::number(row.id) + ".png";
    if (!paintBitmap(row).save(outDir + "/" + name, "PNG")) {
      std::fprintf(stderr, "hrx900-bmpgen: cannot write %s\n", qPrintable(name));
      return 1;
    }
    qrc += "    <file>" + name + "</file>\n";
  }
  qrc += "  </qresource>\n</RCC>\n";
  QFile f(outDir + "/hrx900bitmaps.qrc");
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(qrc.toUtf8()) < 0) {
    std::fprintf(stderr, "hrx900-bmpgen: cannot write the resource list\n");
    return 1;
  }
  return 0;
}
