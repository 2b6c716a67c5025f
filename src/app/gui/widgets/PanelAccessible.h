#pragma once
// The drawn panel as objects a screen reader can read: one element per key,
// digit, knob and dial of the panel's hit areas, plus the displays and the
// meter, named from the key legends and the radio's state, handed out
// through Qt's own accessibility (one child interface per element, as Qt's
// tab bar does for its tabs).
#include <QPoint>
#include <QRect>
#include <QString>
#include <span>

namespace hrx::gui {

class MainWindowServices;

enum class ElementKind { Key, SoftKey, Digit, Knob, Dial, Display, Meter };

struct PanelElement {
  int id;             // the panel controller's id; displays have their own
  ElementKind kind;
  QRect rect;         // panel coordinates
  QPoint at;          // where its click or wheel notch goes
  QString legend;     // the fixed part of its name
  int catalogue;      // its switch image group, or -1
};

// Ids of the elements that are not controls.
inline constexpr int kIdMainDisplay = 1001;
inline constexpr int kIdSubDisplay = 1002;
inline constexpr int kIdModeDisplay = 1003;
inline constexpr int kIdBlockIcons = 1004;

// Every element, in reading order.
std::span<const PanelElement> panelElements();
// Where each section of the panel starts, as element indices in reading
// order: the left column, the TFT, the lower row, the main display, the VFO
// keys, the main tuning, the band keys, CLAR and VFO B.
std::span<const int> panelSections();
// The element's index, or -1.
int elementIndex(int id);

struct ElementTexts {
  QString name;
  QString value;
  bool checkable = false;
  bool checked = false;
  bool pressed = false;
  // A knob's or dial's setting as a number (MHz for a frequency), with its
  // finest step; Qt's bridge tells a value change only with one.
  bool numbered = false;
  double number = 0;
  double step = 1;
  // The meter's reading, said with the value but never told as a change:
  // meter replies come several times a second.
  QString reading;
  bool operator==(const ElementTexts& o) const {
    return name == o.name && value == o.value && checkable == o.checkable && checked == o.checked &&
           pressed == o.pressed && number == o.number;
  }
  QString said() const { return reading.isEmpty() ? value : value + QStringLiteral(", ") + reading; }
};
// What the element says now: its name and value from the legends, the
// radio state and what the panel shows.
ElementTexts elementTexts(MainWindowServices& w, const PanelElement& e);
// "14.250.000 MHz"; "475.000 kHz" below 1 MHz.
QString frequencyText(int hz);
// As a screen reader should say it: "14.250 megahertz", "475 kilohertz".
QString spokenFrequency(int hz);

// The panel's notices said wherever the ring is, taken in turn.
inline constexpr int kAnnouncerCount = 4;

// Set on the panel widget when its window starts to go: its elements stop answering.
inline constexpr const char* kPanelGoneProperty = "hrxPanelGone";

// The factory that gives the panel widget its interface; once per process.
void installPanelAccessibility();

}  // namespace hrx::gui
