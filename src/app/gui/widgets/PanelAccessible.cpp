#include "app/gui/widgets/PanelAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

#include "app/gui/MainWindowServices.h"
#include "app/gui/PanelWidget.h"
#include "app/gui/widgets/PanelAccess.h"
#include "panel/PanelCtrl.h"
#include "render/PanelRenderer.h"
#include "render/Transmitting.h"
#include "share/ShareProtocol.h"

namespace hrx::gui {

namespace {

struct Legend {
  int left, top;
  const char* text;
};
constexpr Legend kKeyLegends[] = {
#define HRX_PANEL_KEY(l, t, r, b, legend) {l, t, legend},
#define HRX_PANEL_BOX(l, t, r, b, colour)
#define HRX_PANEL_KNOB(cx, cy, r, caption)
#include "resources/PanelLayout.def"
#undef HRX_PANEL_KEY
#undef HRX_PANEL_BOX
#undef HRX_PANEL_KNOB
};

struct KnobCaption {
  int cx, cy;
  const char* caption;
};
constexpr KnobCaption kKnobCaptions[] = {
#define HRX_PANEL_KEY(l, t, r, b, legend)
#define HRX_PANEL_BOX(l, t, r, b, colour)
#define HRX_PANEL_KNOB(cx, cy, r, caption) {cx, cy, caption},
#include "resources/PanelLayout.def"
#undef HRX_PANEL_KEY
#undef HRX_PANEL_BOX
#undef HRX_PANEL_KNOB
};

struct BitmapLegend {
  int id;
  const char* legend;
};
constexpr BitmapLegend kBitmapLegends[] = {
#define HRX_BITMAP(id, w, h, kind, legend, fg, bg) {id, legend},
#define HRX_BITMAP_SERIES(first, last, w, h, kind, legend, fg, bg)
#include "resources/Bitmaps.def"
#undef HRX_BITMAP
#undef HRX_BITMAP_SERIES
};

QString bitmapLegend(int id) {
  for (const BitmapLegend& b : kBitmapLegends)
    if (b.id == id) return QString::fromUtf8(b.legend);
  return {};
}

// The knobs: inner and outer control of each of the four, centre and radius.
struct KnobPlace {
  int id, cx, cy, r;
  bool outer;
};
constexpr KnobPlace kKnobs[] = {
    {14, 140, 285, 15, false}, {15, 140, 285, 27, true}, {16, 254, 285, 15, false}, {17, 254, 285, 27, true},
    {18, 367, 285, 15, false}, {19, 367, 285, 27, true}, {20, 480, 285, 15, false}, {21, 480, 285, 27, true},
};
// An outer ring is reached between the inner knob's edge and its own.
constexpr int kOuterReach = 21;

// The keys whose setting the TFT's block icons show, by icon slot.
struct IconKey {
  int id, slot;
  bool toggles;
};
constexpr IconKey kIconKeys[] = {{4, 0, false}, {31, 1, false}, {30, 2, true},
                                 {32, 3, false}, {34, 4, true},  {33, 5, false}};

struct FlagKey {
  render::Switch key;
  std::int32_t (RadioState::*flag)() const;
};
const FlagKey kFlagKeys[] = {{render::Switch::Fast, &RadioState::get_FS_Flag1},
                             {render::Switch::Lock, &RadioState::get_LK_Flag1}};

// Units in words: a screen reader spells "MHz", and says "VFO-A" as "VFO dash A".
constexpr const char* kDigitPlaces[] = {"1 hertz",      "10 hertz",      "100 hertz",     "1 kilohertz",
                                        "10 kilohertz", "100 kilohertz", "1 megahertz",  "10 megahertz"};

// Where a wheel notch reaches each dial and nothing else: the CLAR/VFO-B
// dial's point lies inside the third dial's circle, the VFO-B select dial's
// outside the CLAR/VFO-B square.
constexpr QPoint kSubDialAt{910, 285};
constexpr QPoint kSelectAAt{837, 270};
constexpr QPoint kSelectBAt{985, 265};
constexpr QPoint kMeterAt{128, 215};
constexpr int kSelectRadius = 33;

QRect hitRect(const panel::HitRect& h) { return QRect(QPoint(h.left, h.top), QPoint(h.right, h.bottom)); }

QString readable(const char* legend) {
  QString s = QString::fromUtf8(legend);
  s.replace(QString::fromUtf8("\u25C2\u25B8"), QStringLiteral(" swap "));
  s.replace(QString::fromUtf8("\u25B8"), QStringLiteral(" to "));
  // The band keys' legends are their bands ("28 or 29": a screen reader
  // says "slash").
  if (!s.isEmpty() && s[0].isDigit()) s = s.replace(QLatin1Char('/'), QStringLiteral(" or ")) + QStringLiteral(" megahertz");
  return s;
}

int catalogueAt(QPoint topLeft) {
  for (int i = 0; i < static_cast<int>(std::size(render::kPanelImageCatalogue)); ++i) {
    const render::SwitchImageGroup& g = render::kPanelImageCatalogue[i];
    if (g.kind == render::ImageKind::Switch && g.x == topLeft.x() && g.y == topLeft.y()) return i;
  }
  return -1;
}

// Legends a screen reader would spell out, in words.
struct SpokenLegend {
  const char* legend;
  const char* spoken;
};
constexpr SpokenLegend kSpokenLegends[] = {
    {"R.FLT", "roofing filter"}, {"ZIN/SPOT", "ZIN or SPOT"}, {"MHz", "megahertz"}, {"TXW", "TX watch"},
    {"V/M", "VFO or memory"},    {"B/CL", "VFO B or CLAR"}};

// The TFT's setting icons in words ("ANT 1", not "ANT ANT1"). IPO is the preamplifier switched off;
// the roofing filter's "---" is its AUTO; the AGC's AF, AM and AS are its
// automatic setting as the radio has chosen it.
constexpr SpokenLegend kIconWords[] = {
    {"ANT1", "1"},               {"ANT2", "2"},              {"ANT3", "3"},
    {"IPO", "preamplifier off"}, {"AMP1", "preamplifier 1"}, {"AMP2", "preamplifier 2"},
    {"-6dB", "minus 6 dB"},      {"-12", "minus 12 dB"},     {"-18", "minus 18 dB"},
    {"---", "auto"},             {"300", "300 hertz"},       {"600", "600 hertz"},
    {"1.2k", "1.2 kilohertz"},   {"2.4k", "2.4 kilohertz"},  {"3k", "3 kilohertz"},
    {"4k", "4 kilohertz"},       {"6k", "6 kilohertz"},      {"8k", "8 kilohertz"},
    {"15k", "15 kilohertz"},     {"AF", "auto fast"},        {"AM", "auto mid"},
    {"AS", "auto slow"}};

QString iconWords(const QString& icon) {
  for (const SpokenLegend& s : kIconWords)
    if (icon == QLatin1String(s.legend)) return QString::fromUtf8(s.spoken);
  return icon;
}

QString spokenLegend(const QString& legend) {
  for (const SpokenLegend& s : kSpokenLegends)
    if (legend == QLatin1String(s.legend)) return QString::fromUtf8(s.spoken);
  return legend;
}

QString keyLegend(QPoint topLeft) {
  for (const Legend& l : kKeyLegends)
    if (l.left == topLeft.x() && l.top == topLeft.y()) {
      const QString spoken = spokenLegend(QString::fromUtf8(l.text));
      return spoken != QString::fromUtf8(l.text) ? spoken : readable(l.text);
    }
  return {};
}

struct BuiltPanel {
  std::vector<PanelElement> elements;
  std::vector<int> sections;
};

BuiltPanel buildElements() {
  BuiltPanel built;
  std::vector<PanelElement>& out = built.elements;
  auto section = [&] { built.sections.push_back(static_cast<int>(out.size())); };
  auto addKey = [&](const panel::HitRect& h) {
    const QRect r = hitRect(h);
    if (h.id >= panel::kIdFirstDigit && h.id <= panel::kIdLastDigit) {
      const bool sub = h.id >= panel::kIdFirstSubDigit;
      const int place = h.id - (sub ? panel::kIdFirstSubDigit : panel::kIdFirstDigit);
      out.push_back({h.id, ElementKind::Digit, r, r.center(),
                     QStringLiteral("%1 %2 digit").arg(sub ? QStringLiteral("VFO B") : QStringLiteral("VFO A"),
                                                        QString::fromUtf8(kDigitPlaces[place])),
                     -1});
    } else if (h.id >= 22 && h.id <= 29) {   // the TFT's soft keys 1..8
      out.push_back({h.id, ElementKind::SoftKey, r, r.center(), QString(), -1});
    } else {
      out.push_back({h.id, ElementKind::Key, r, r.center(), keyLegend(r.topLeft()), catalogueAt(r.topLeft())});
    }
  };
  auto addArea = [&](int area, auto keep) {
    std::vector<panel::HitRect> rows;
    for (const panel::HitRect* h = panel::areaTable(area); h->id != 0; ++h)
      if (keep(h->id)) rows.push_back(*h);
    return rows;
  };
  auto all = [](int) { return true; };
  auto digits = [](int id) { return id >= panel::kIdFirstDigit && id <= panel::kIdLastDigit; };
  auto leftToRight = [](std::vector<panel::HitRect> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.left < b.left; });
    return rows;
  };
  auto knobCaption = [](const KnobPlace& k) {
    for (const KnobCaption& c : kKnobCaptions)
      if (c.cx == k.cx && c.cy == k.cy) {
        const QStringList parts = QString::fromUtf8(c.caption).split(QStringLiteral(" - "));
        return QString(k.outer ? parts.value(1) : parts.value(0)).replace(QLatin1Char('/'), QStringLiteral(" or ")) +
               (k.outer ? QStringLiteral(" ring") : QStringLiteral(" knob"));
      }
    return QString();
  };
  auto disc = [](QPoint c, int r) { return QRect(c.x() - r, c.y() - r, 2 * r + 1, 2 * r + 1); };

  section();   // the left column
  for (int area : {0, 1}) for (const auto& h : addArea(area, all)) addKey(h);
  section();   // the TFT
  out.push_back({panel::kIdMeterSpot, ElementKind::Meter, render::kMeterStrip, kMeterAt, QStringLiteral("Meter"), -1});
  out.push_back({kIdBlockIcons, ElementKind::Display, render::kBlockIconStrip, render::kBlockIconStrip.center(),
                 QStringLiteral("Receiver settings"), -1});
  // The VFO-B display, then its digits, then the soft keys.
  const std::vector<panel::HitRect> subDigits = leftToRight(addArea(2, digits));
  const QRect subRect = hitRect(subDigits.front()).united(hitRect(subDigits.back()));
  out.push_back({kIdSubDisplay, ElementKind::Display, subRect, subRect.center(), QStringLiteral("VFO B frequency"), -1});
  for (const auto& h : subDigits) addKey(h);
  for (const auto& h : addArea(2, [&](int id) { return !digits(id); })) addKey(h);
  for (const auto& h : addArea(3, all)) addKey(h);
  // The push keys and the knobs of the lower row, left to right.
  std::vector<PanelElement> row;
  for (const auto& h : addArea(4, all)) {
    addKey(h);
    row.push_back(out.back());
    out.pop_back();
  }
  for (const KnobPlace& k : kKnobs)
    row.push_back({k.id, ElementKind::Knob, disc({k.cx, k.cy}, k.r),
                   QPoint(k.cx + (k.outer ? kOuterReach : 0), k.cy), knobCaption(k), -1});
  std::stable_sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.rect.center().x() < b.rect.center().x(); });
  section();   // the lower row
  out.insert(out.end(), row.begin(), row.end());
  // The main display, its digits and the mode beside them.
  const std::vector<panel::HitRect> mainDigits = leftToRight(addArea(5, digits));
  const QRect mainRect = hitRect(mainDigits.front()).united(hitRect(mainDigits.back()));
  section();   // the main display
  out.push_back({kIdMainDisplay, ElementKind::Display, mainRect, mainRect.center(), QStringLiteral("VFO A frequency"), -1});
  for (const auto& h : mainDigits) addKey(h);
  // The mode labels beside the main display.
  out.push_back({kIdModeDisplay, ElementKind::Display, QRect(786, 51, 46, 30), QPoint(809, 66), QStringLiteral("Mode"), -1});
  section();   // the VFO keys
  for (const auto& h : addArea(6, all)) addKey(h);
  // The dials' squares are the controller's drag and wheel squares.
  section();   // the main tuning
  out.push_back({panel::kIdMainDial, ElementKind::Dial, QRect(QPoint(623, 111), QPoint(807, 295)),
                 QPoint(panel::kMainDialCentreX, panel::kMainDialCentreY), QStringLiteral("Main tuning"), -1});
  out.push_back({panel::kIdFirstFunc, ElementKind::Dial, disc(kSelectAAt, kSelectRadius), kSelectAAt,
                 QStringLiteral("VFO A select"), -1});
  section();   // the band keys
  for (const auto& h : addArea(7, all)) addKey(h);
  section();   // CLAR and VFO B
  out.push_back({panel::kIdSubDial, ElementKind::Dial, QRect(QPoint(895, 231), QPoint(983, 319)), kSubDialAt,
                 QStringLiteral("CLAR or VFO B"), -1});
  out.push_back({panel::kIdFirstFuncB, ElementKind::Dial, disc(kSelectBAt, kSelectRadius), kSelectBAt,
                 QStringLiteral("VFO B select"), -1});
  return built;
}

const RadioState* stateOf(MainWindowServices& w) { return w.core() != nullptr ? &w.core()->state() : nullptr; }

// The coarsest step, in MHz, that still shows `hz` whole: a screen reader
// says the value with as many places as the step has ("7.074", "7.0001").
double exactStep(int hz) {
  int places = 6;
  while (places > 3 && hz % 10 == 0) {
    hz /= 10;
    --places;
  }
  return std::pow(10.0, -places);
}

}  // namespace

// "14.250 megahertz", "14.25001 megahertz", "475 kilohertz": as few places
// as say the frequency whole, three at least in megahertz.
QString spokenFrequency(int hz) {
  if (hz < 1000000) {
    QString k = QString::number(hz / 1000.0, 'f', 3);
    while (k.endsWith(QLatin1Char('0'))) k.chop(1);
    if (k.endsWith(QLatin1Char('.'))) k.chop(1);
    return k + QStringLiteral(" kilohertz");
  }
  QString m = QString::number(hz / 1e6, 'f', 6);
  while (m.endsWith(QLatin1Char('0')) && m.size() - m.indexOf(QLatin1Char('.')) > 4) m.chop(1);
  return m + QStringLiteral(" megahertz");
}

namespace {

QString signedHz(int hz) { return QStringLiteral("%1%2 Hz").arg(hz > 0 ? QStringLiteral("+") : QString()).arg(hz); }

QString modeName(int mode) {
  if (mode < 0 || mode >= static_cast<int>(render::kVfoBModeLabel.size())) return {};
  return bitmapLegend(render::kVfoBModeLabel[static_cast<std::size_t>(mode)]);
}

// "S7", "S9 plus 20 dB", "SWR 1.5", "40 percent".
QString meterReading(MainWindowServices& w, const RadioState* st) {
  const int reading = std::clamp(w.lastMeterValue(), 0, 255);
  const bool sending = st != nullptr && render::isTransmitting(st->get_TxStat());
  if (st != nullptr && !sending) {
    const double db = share::strengthDb(reading);
    // Over S9 in whole dB; below it in S units of 6 dB.
    if (std::lround(db) > 0) return QStringLiteral("S9 plus %1 dB").arg(std::lround(db));
    return QStringLiteral("S%1").arg(std::max(0L, 9 + std::lround(db / 6.0)));
  }
  if (st != nullptr && st->get_MS_Stat() == 3) return QStringLiteral("SWR %1").arg(share::swrRatio(reading), 0, 'f', 1);
  return QStringLiteral("%1 percent").arg(qRound(reading * 100.0 / 255.0));
}

QString dialValue(MainWindowServices& w, const PanelElement& e, const RadioState& st) {
  switch (e.id) {
    case panel::kIdMainDial: return QStringLiteral("VFO A ") + spokenFrequency(st.get_VfoA_Freq());
    case panel::kIdSubDial: {
      const int sf = st.get_SF_Value();
      if (sf == 5) return QStringLiteral("clarifier ") + signedHz(static_cast<int>(st.get_IF_ClarOffset()));
      if (sf == 4) return QStringLiteral("VFO B ") + spokenFrequency(st.get_VfoB_Freq());
      return QStringLiteral("not in use");
    }
    default: {
      const bool b = e.id == panel::kIdFirstFuncB;
      const PanelMirror* m = w.core() != nullptr ? w.core()->mirror() : nullptr;
      const int f = m == nullptr ? 0 : (b ? m->get_DialFunc_Sub() : m->get_DialFunc_Main());
      return f == 0 ? QStringLiteral("not in use") : QStringLiteral("function %1").arg(f);
    }
  }
}

const BuiltPanel& builtPanel() {
  static const BuiltPanel built = buildElements();
  return built;
}

}  // namespace

std::span<const PanelElement> panelElements() { return builtPanel().elements; }

std::span<const int> panelSections() { return builtPanel().sections; }


int elementIndex(int id) {
  const auto all = panelElements();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].id == id) return static_cast<int>(i);
  return -1;
}

QString frequencyText(int hz) {
  QString digits = QString::number(hz);
  for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char('.'));
  // Below 1 MHz the display has no MHz digits: "475.000" is kHz.
  return digits + (hz < 1000000 ? QStringLiteral(" kHz") : QStringLiteral(" MHz"));
}

ElementTexts elementTexts(MainWindowServices& w, const PanelElement& e) {
  ElementTexts t;
  t.name = e.legend;
  const RadioState* st = stateOf(w);
  panel::PanelCtrl& ctrl = w.panel();
  switch (e.kind) {
    case ElementKind::Key: {
      if (e.catalogue >= 0) {
        const render::SwitchImageGroup& g = render::kPanelImageCatalogue[e.catalogue];
        const int shown = w.renderer().shownState(static_cast<render::Switch>(e.catalogue));
        t.checkable = g.count >= 4;
        t.checked = t.checkable && shown >= 2;
        t.pressed = shown % 2 == 1;
      }
      // Keys whose lamp is the radio's flag (their images are drawn lit first).
      for (const FlagKey& k : kFlagKeys)
        if (e.catalogue == static_cast<int>(k.key) && st != nullptr) {
          t.checkable = true;
          t.checked = (st->*k.flag)() != 0;
          t.pressed = false;
        }
      for (const IconKey& k : kIconKeys)
        if (k.id == e.id && st != nullptr) {
          const QString icon = bitmapLegend(w.renderer().blockIconImage(k.slot, *st));
          t.value = e.legend == QLatin1String("IPO") ? QStringLiteral("IPO, ") + iconWords(icon)
                                                      : e.legend + QLatin1Char(' ') + iconWords(icon);
          t.checkable = k.toggles;
          t.checked = k.toggles && icon != QStringLiteral("OFF");
        }
      break;
    }
    case ElementKind::SoftKey:
      if (st != nullptr) t.name = spokenLegend(bitmapLegend(w.renderer().softKeyImage(e.id - 21, *st)));
      if (t.name.isEmpty()) t.name = QStringLiteral("soft key %1").arg(e.id - 21);
      break;
    case ElementKind::Digit: {
      const bool sub = e.id >= panel::kIdFirstSubDigit;
      const int place = e.id - (sub ? panel::kIdFirstSubDigit : panel::kIdFirstDigit);
      if (st != nullptr) {
        int hz = sub ? st->get_VfoB_Freq() : st->get_VfoA_Freq();
        for (int i = 0; i < place; ++i) hz /= 10;
        t.value = QString::number(hz % 10);
        t.numbered = true;
        t.number = hz % 10;
      }
      t.checkable = true;
      t.checked = ctrl.m_Op_Stats() == e.id;
      break;
    }
    case ElementKind::Knob: {
      const char* what = nullptr;
      std::int32_t v = 0;
      if (st != nullptr && panel::knobSetting(e.id, *st, &what, &v)) {
        if (std::string_view(what) == "width") {
          // The TFT shows the width in Hz, not the radio's index.
          const bool b = st->get_VS_Stat() != 0;
          v = share::widthHz(b ? st->get_MD_Sub() : st->get_MD_Main(), v,
                             (b ? st->get_NA_Sub() : st->get_NA_Main()) != 0);
          what = "WIDTH";
        }
        t.value = QString::fromUtf8(what) + QLatin1Char(' ') +
                  (std::string_view(what) == "IF shift" ? signedHz(v)
                   : std::string_view(what) == "WIDTH"  ? QStringLiteral("%1 hertz").arg(v)
                                                        : QString::number(v));
        t.numbered = true;
        t.number = v;
      } else t.value = QStringLiteral("not in use");
      break;
    }
    case ElementKind::Dial:
      if (st != nullptr) {
        t.value = dialValue(w, e, *st);
        if (e.id == panel::kIdMainDial) {
          t.numbered = true;
          t.number = st->get_VfoA_Freq() / 1e6;
          t.step = exactStep(st->get_VfoA_Freq());
        } else if (e.id == panel::kIdSubDial && st->get_SF_Value() == 4) {
          t.numbered = true;
          t.number = st->get_VfoB_Freq() / 1e6;
          t.step = exactStep(st->get_VfoB_Freq());
        } else if (e.id == panel::kIdSubDial && st->get_SF_Value() == 5) {
          t.numbered = true;
          t.number = st->get_IF_ClarOffset();
        }
      }
      break;
    case ElementKind::Display:
      if (st == nullptr) break;
      if (e.id == kIdMainDisplay) {
        t.value = frequencyText(st->get_VfoA_Freq());
        t.name += QStringLiteral(", ") + spokenFrequency(st->get_VfoA_Freq());
      } else if (e.id == kIdSubDisplay) {
        t.value = frequencyText(st->get_VfoB_Freq());
        t.name += QStringLiteral(", ") + spokenFrequency(st->get_VfoB_Freq());
      } else if (e.id == kIdModeDisplay) {
        t.value = modeName(st->get_MD_Main());
        t.name += QStringLiteral(", ") + t.value;
      }
      else {
        QStringList icons;
        for (int slot = 0; slot < render::kBlockIconSlots - 1; ++slot)
          icons << iconWords(bitmapLegend(w.renderer().blockIconImage(slot, *st)));
        t.value = QStringLiteral("ANT %1, %2, ATT %3, roofing filter %4, NB %5, AGC %6")
                      .arg(icons.value(0), icons.value(1), icons.value(2), icons.value(3), icons.value(4),
                           icons.value(5));
        t.name += QStringLiteral(", ") + t.value;
      }
      break;
    case ElementKind::Meter:
      // Whether the radio sends, whoever keyed it, comes first.
      if (st != nullptr)
        t.value = (render::isTransmitting(st->get_TxStat()) ? QStringLiteral("transmitting, ")
                                                             : QStringLiteral("receiving, ")) +
                  bitmapLegend(w.renderer().softKeyImage(5, *st)).remove(QStringLiteral("MTR ")) +
                  QStringLiteral(" selected");
      // In the operator's units where the protocol has a scale (receiving:
      // the S meter; SWR), else as drawn, a full scale being 255.
      t.reading = meterReading(w, st);
      break;
  }
  return t;
}

namespace {

// The window is being taken down: its parts are gone before the panel is.
bool panelGone(const QWidget* panel) { return panel->property(kPanelGoneProperty).toBool(); }

// A child of the panel's interface with no object or children of its own.
class PanelLeaf : public QAccessibleInterface {
 public:
  explicit PanelLeaf(QWidget* panel) : panel_(panel) {}
  bool isValid() const override { return !panel_.isNull() && !panelGone(panel_); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return panel_ ? panel_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(panel_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  void setText(QAccessible::Text, const QString&) override {}

 protected:
  QPointer<QWidget> panel_;
};

bool turnsWithValue(ElementKind k) { return k == ElementKind::Dial || k == ElementKind::Knob || k == ElementKind::Digit; }

// Each display and what works it: the tuning dials, the mode key, ATT.
constexpr std::pair<int, int> kWorkedBy[] = {{kIdMainDisplay, panel::kIdMainDial},
                                             {kIdSubDisplay, panel::kIdSubDial},
                                             {kIdModeDisplay, 10},
                                             {kIdBlockIcons, 30}};

// One element of the panel, handed out by the panel's interface.
class ElementInterface final : public PanelLeaf,
                               public QAccessibleActionInterface,
                               public QAccessibleTextInterface,
                               public QAccessibleValueInterface {
 public:
  ElementInterface(QWidget* panel, int index) : PanelLeaf(panel), index_(index) {}


  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    const ElementTexts e = texts();
    switch (t) {
      case QAccessible::Name: return e.name;
      case QAccessible::Value: return e.said();
      // A digit's figure is all it says: a description beside it is said twice.
      case QAccessible::Description: return element().kind == ElementKind::Digit ? QString() : e.said();
      default: return {};
    }
  }

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = element().rect;
    return QRect(panel_->mapToGlobal(r.topLeft()), r.size());
  }

  QAccessible::Role role() const override {
    switch (element().kind) {
      // A digit turns as a dial does, and says its figure as its value.
      case ElementKind::Digit:
      case ElementKind::Knob:
      case ElementKind::Dial: return QAccessible::Dial;
      case ElementKind::Display: return QAccessible::StaticText;
      // The nearest Qt has to a level bar ("indicator" reaches AT-SPI as unknown).
      case ElementKind::Meter: return QAccessible::ProgressBar;
      // A key with a lamp says its state as a check box does (Qt's bridge
      // has no toggle button, and a push button's state goes unsaid).
      case ElementKind::Key: return texts().checkable ? QAccessible::CheckBox : QAccessible::Button;
      default: return QAccessible::Button;
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    const ElementTexts e = texts();
    const ElementKind kind = element().kind;
    s.focusable = kind != ElementKind::Display;
    s.focused = s.focusable && panel_->hasFocus() && access().focused() == index_;
    s.checkable = e.checkable;
    s.checked = e.checked;
    s.pressed = e.pressed;
    s.readOnly = kind == ElementKind::Display || kind == ElementKind::Meter;
    s.invisible = !panel_->isVisible();
    return s;
  }

  // A display is worked by the dial or key beside it. A screen reader
  // reads a display so related with that element, not as a loose label of
  // the whole panel each time the panel has the focus.
  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override {
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> out;
    if (!isValid() || !(match & QAccessible::Controller)) return out;
    for (const auto& [display, by] : kWorkedBy)
      if (display == element().id)
        if (QAccessibleInterface* p = parent(); p != nullptr && elementIndex(by) >= 0)
          if (QAccessibleInterface* c = p->child(elementIndex(by))) out.append({c, QAccessible::Controller});
    return out;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    if (t == QAccessible::TextInterface && element().kind == ElementKind::Display)
      return static_cast<QAccessibleTextInterface*>(this);
    // What turns always has its number value (0 while not in use): a
    // screen reader keeps the interfaces it first found, and reads garbage
    // from one that went away when a dial's function changed.
    if (t == QAccessible::ValueInterface && turnsWithValue(element().kind))
      return static_cast<QAccessibleValueInterface*>(this);
    return nullptr;
  }

  // Actions: a click for what can be clicked, a notch each way for what turns.
  QStringList actionNames() const override {
    QStringList names;
    const ElementKind kind = element().kind;
    if (kind == ElementKind::Key || kind == ElementKind::SoftKey || kind == ElementKind::Digit || kind == ElementKind::Knob)
      names << pressAction();
    if (kind == ElementKind::Knob || kind == ElementKind::Dial || kind == ElementKind::Meter || kind == ElementKind::Digit)
      names << increaseAction() << decreaseAction();
    if (kind != ElementKind::Display) names << setFocusAction();
    return names;
  }
  void doAction(const QString& name) override {
    if (!isValid()) return;
    if (name == pressAction()) access().pressAsked(index_);
    else if (name == increaseAction()) access().turn(index_, true);
    else if (name == decreaseAction()) access().turn(index_, false);
    else if (name == setFocusAction()) {
      panel_->setFocus(Qt::OtherFocusReason);
      access().setFocused(index_);
    }
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

  // The displays' text, read-only.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return texts().value.mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(texts().value.size()); }
  QRect characterRect(int) const override { return rect(); }
  int offsetAtPoint(const QPoint&) const override { return 0; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

  // A knob's or dial's setting, read-only: the keys and actions turn it.
  QVariant currentValue() const override { return texts().number; }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return 1e9; }
  QVariant minimumValue() const override { return -1e9; }
  QVariant minimumStepSize() const override { return texts().step; }

 private:
  const PanelElement& element() const { return panelElements()[static_cast<std::size_t>(index_)]; }
  MainWindowServices& mainWindow() const { return *dynamic_cast<MainWindowServices*>(panel_->window()); }
  PanelAccess& access() const { return mainWindow().part<PanelAccess>(); }
  ElementTexts texts() const { return isValid() ? elementTexts(mainWindow(), element()) : ElementTexts{}; }

  int index_;
};

// What the panel says wherever the ring is (a retune the radio reports,
// transmitting): a notification, shown anew for each announcement.
class AnnouncerInterface final : public PanelLeaf {
 public:
  AnnouncerInterface(QWidget* panel, int slot) : PanelLeaf(panel), slot_(slot) {}
  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    return dynamic_cast<MainWindowServices*>(panel_->window())->part<PanelAccess>().announcement(slot_);
  }
  QRect rect() const override { return {}; }
  QAccessible::Role role() const override { return QAccessible::Notification; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invalid = !isValid();
    s.readOnly = true;
    return s;
  }

 private:
  int slot_;
};

// The panel widget: its elements as children, made once and kept.
class PanelInterface final : public QAccessibleWidget {
 public:
  explicit PanelInterface(QWidget* panel) : QAccessibleWidget(panel, QAccessible::Pane, QStringLiteral("Front panel")) {
    if (!panelGone(panel)) dynamic_cast<MainWindowServices*>(panel->window())->part<PanelAccess>().startTelling();
  }
  ~PanelInterface() override {
    for (QAccessible::Id id : children_)
      if (id != 0) QAccessible::deleteAccessibleInterface(id);
    for (QAccessible::Id id : announcers_)
      if (id != 0) QAccessible::deleteAccessibleInterface(id);
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return QStringLiteral("Front panel");
    if (t == QAccessible::Description)
      return QStringLiteral("Tab moves through the panel; Space presses, the arrows turn.");
    return QAccessibleWidget::text(t);
  }
  // The elements, the announcers, then the notices shown over the panel
  // (the connection notice).
  int childCount() const override {
    return static_cast<int>(panelElements().size()) + kAnnouncerCount + static_cast<int>(notices().size());
  }
  QAccessibleInterface* child(int index) const override {
    const int elements = static_cast<int>(panelElements().size());
    if (index >= elements && index < elements + kAnnouncerCount) {
      QAccessible::Id& id = announcers_[static_cast<std::size_t>(index - elements)];
      if (id == 0) id = QAccessible::registerAccessibleInterface(new AnnouncerInterface(widget(), index - elements));
      return QAccessible::accessibleInterface(id);
    }
    if (index >= elements + kAnnouncerCount) {
      const QList<QLabel*> shown = notices();
      const int n = index - elements - kAnnouncerCount;
      return n < shown.size() ? QAccessible::queryAccessibleInterface(shown[n]) : nullptr;
    }
    if (index < 0) return nullptr;
    if (children_.empty()) children_.assign(panelElements().size(), 0);
    QAccessible::Id& id = children_[static_cast<std::size_t>(index)];
    if (id == 0) id = QAccessible::registerAccessibleInterface(new ElementInterface(widget(), index));
    return QAccessible::accessibleInterface(id);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    if (auto* label = qobject_cast<QLabel*>(child->object())) {
      const int i = static_cast<int>(notices().indexOf(label));
      return i < 0 ? -1 : static_cast<int>(panelElements().size()) + kAnnouncerCount + i;
    }
    const QAccessible::Id childId = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
    for (int k = 0; k < kAnnouncerCount; ++k)
      if (announcers_[static_cast<std::size_t>(k)] != 0 && announcers_[static_cast<std::size_t>(k)] == childId)
        return static_cast<int>(panelElements().size()) + k;
    const auto it = std::find(children_.begin(), children_.end(), QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child)));
    return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint p = widget()->mapFromGlobal(QPoint(x, y));
    const auto all = panelElements();
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i].kind != ElementKind::Display && all[i].rect.contains(p)) return child(static_cast<int>(i));
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (panelGone(widget())) return nullptr;
    const int f = dynamic_cast<MainWindowServices*>(widget()->window())->part<PanelAccess>().focused();
    return f >= 0 && widget()->hasFocus() ? child(f) : nullptr;
  }

 private:
  QList<QLabel*> notices() const {
    QList<QLabel*> shown;
    for (QLabel* l : widget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      if (l->isVisible()) shown << l;
    return shown;
  }

  mutable std::vector<QAccessible::Id> children_;
  mutable std::array<QAccessible::Id, kAnnouncerCount> announcers_{};
};

QAccessibleInterface* panelFactory(const QString&, QObject* object) {
  auto* panel = qobject_cast<QWidget*>(object);
  if (panel == nullptr || dynamic_cast<PanelWidget*>(panel) == nullptr) return nullptr;
  if (dynamic_cast<MainWindowServices*>(panel->window()) == nullptr) return nullptr;
  return new PanelInterface(panel);
}

}  // namespace

void installPanelAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(panelFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace hrx::gui
