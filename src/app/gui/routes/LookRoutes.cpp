// Key looks: each look message draws its element's state image, chosen from
// the message's pressed flag and the stored radio state; the TFT soft keys.
#include <QMessageBox>
#include <iterator>

#include "app/gui/routes/DisplayPart.h"
#include "panel/PanelDisplay.h"

namespace hrx::gui {

namespace {

using S = render::Switch;

struct LookElement {
  MsgId msg;
  S element;
};

constexpr LookElement kLookElements[] = {
    {0x8578, S::Com},
    {0x8579, S::OnOff},
    {0x857A, S::Look857A},
    {0x857B, S::Mox},
    {0x857C, S::Look857C},
    {0x857D, S::Tune},
    {0x857E, S::Look857E},
    {0x857F, S::Look857F},
    {0x8580, S::Moni},
    {0x8581, S::Look8581},
    {0x8582, S::Look8582},
    {0x8583, S::Att},
    {0x8584, S::Ipo},
    {0x8585, S::RFlt},
    {0x8586, S::Agc},
    {0x8587, S::Nb},
    {0x8588, S::BkIn},
    {0x8589, S::Look8589},
    {0x858A, S::Look858A},
    {0x858B, S::Look858B},
    {0x858C, S::Look858C},
    {0x858D, S::Look858D},
    {0x858E, S::Look858E},
    {0x858F, S::Look858F},
    {0x8590, S::Look8590},
    {0x8591, S::Look8591},
    {0x8592, S::Look8592},
    {0x8593, S::Look8593},
    {0x8594, S::Look8594},
    {0x8595, S::Look8595},
    {0x8596, S::Look8596},
    {0x8597, S::Look8597},
    {0x8598, S::Look8598},
    {0x8599, S::Look8599},
    {0x859A, S::Sto},
    {0x859B, S::Rcl},
    {0x859C, S::Nar},
    {0x859D, S::Split},
    {0x859E, S::Txw},
    {0x859F, S::Look859F},
    {0x85A0, S::Look85A0},
    {0x85A1, S::Look85A1},
    {0x85A2, S::Fast},
    {0x85A3, S::Lock},
    {0x85A4, S::AToB},
    {0x85A5, S::ASwapB},
    {0x85A6, S::VM},
    {0x85A7, S::MToA},
    {0x85A8, S::AToM},
    {0x85A9, S::Menu},
    {0x85AA, S::Band50},
    {0x85AB, S::Band1_8},
    {0x85AC, S::Band3_5},
    {0x85AD, S::Band7},
    {0x85AE, S::Band10},
    {0x85AF, S::Band14},
    {0x85B0, S::Band18},
    {0x85B1, S::Band21},
    {0x85B2, S::Band24_5},
    {0x85B3, S::Band28},
    {0x85B4, S::Gen},
    {0x85B5, S::Ent},
    {0x85B6, S::RxClar},
    {0x85B7, S::TxClar},
    {0x85B8, S::Clear},
    {0x85B9, S::Look85B9},
    {0x85BA, S::Notch},
    {0x85BB, S::Look85BB},
    {0x85BC, S::Look85BC},
    {0x85BD, S::Look85BD},
    {0x85BE, S::Look85BE},
    {0x85BF, S::Look85BF},
    {0x85C0, S::Look85C0},
    {0x85C1, S::Look85C1},
    {0x85C2, S::Look85C2},
    {0x85C3, S::Look85C3},
    {0x85C4, S::Look85C4},
    {0x85C5, S::Look85C5},
    {0x85C6, S::Look85C6},
    {0x85C7, S::Look85C7},
    {0x85DC, S::Look85DC},
    {0x85DD, S::Look85DD},
    {0x85DE, S::Look85DE},
    {0x85DF, S::Look85DF},
    {0x85E0, S::Look85E0},
    {0x85E1, S::Look85E1},
    {0x85E2, S::Look85E2},
    {0x85E3, S::Look85E3},
    {0x85E4, S::Look85E4},
    {0x85E5, S::Look85E5},
    {0x85E6, S::Look85E6},
    {0x85E7, S::Look85E7},
    {0x85E8, S::Look85E8},
    {0x85E9, S::Look85E9},
    {0x85EA, S::Look85EA},
    {0x85EB, S::Look85EB},
    {0x85EC, S::Look85EC},
    {0x85ED, S::Look85ED},
    {0x85EE, S::Look85EE},
    {0x85EF, S::Look85EF},
    {0x85F0, S::Look85F0},
    {0x85F1, S::Look85F1},
    {0x8602, S::Ant},
    {0x8603, S::ContApf},
    {0x8608, S::ModeLamp},
    {0x8609, S::VfoBLamp},
    {0x860A, S::MhzLamp},
    {0x860B, S::MchLamp},};

constexpr bool sortedByMessage() {
  for (std::size_t i = 1; i < std::size(kLookElements); ++i)
    if (kLookElements[i - 1].msg >= kLookElements[i].msg) return false;
  return true;
}
static_assert(sortedByMessage());

// The three setters whose failure the operator is told about.
struct FailureText {
  MsgId msg;
  const char* text;
};
constexpr FailureText kFailureTexts[] = {
    {0x8584, "DispBMP failed. in SetIpoSwitch"},
    {0x85B2, "Set8Switch fail."},
    {0x85A9, "DispBMP failed. in SetMenuSwitch"},
};

const LookElement* elementOf(MsgId msg) {
  for (const LookElement& e : kLookElements)
    if (e.msg == msg) return &e;
  return nullptr;
}

void reportFailure(MainWindowServices& w, MsgId msg) {
  for (const FailureText& f : kFailureTexts) {
    if (f.msg != msg) continue;
    // Not modal: the window's thread never waits on the operator.
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kCaption), QString::fromUtf8(f.text),
                                QMessageBox::Ok, &w.widget());
    box->setObjectName(QStringLiteral("lookFailure"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
}

LParam onLook(MainWindowServices& w, const Msg& m) {
  const panel::LookRow* rule = panel::findLook(m.id);
  const LookElement* e = elementOf(m.id);
  if (rule == nullptr || e == nullptr) return 0;
  const int index = panel::lookIndex(*rule, m.w, displayState(w));
  if (index == panel::kNoDraw) return 0;
  if (w.renderer().drawSwitch(e->element, index) != render::kDrawn) reportFailure(w, m.id);
  return 0;
}

constexpr MsgId kSoftKeyFirst = 0x8614;
constexpr MsgId kSoftKey8 = 0x861B;

LParam onSoftKey(MainWindowServices& w, const Msg& m) {
  const int key = m.id == kSoftKey8 ? 8 : static_cast<int>(m.id - kSoftKeyFirst) + 1;
  if (m.l != 0) w.renderer().drawSoftKey(key, displayState(w));
  else w.renderer().setSoftKey(key, static_cast<int>(m.w), displayState(w));
  return 0;
}

constexpr auto makeRows() {
  std::array<WindowRow, std::size(kLookElements) + 12> rows{};
  std::size_t n = 0;
  for (const LookElement& e : kLookElements) rows[n++] = {e.msg, onLook};
  // VFO-A RX, VFO-A TX, VFO-B RX, VFO-B TX: nothing is drawn.
  for (MsgId id = 0x8604; id <= 0x8607; ++id) rows[n++] = {id, nullptr};
  for (MsgId id = kSoftKeyFirst; id <= kSoftKey8; ++id) rows[n++] = {id, onSoftKey};
  return rows;
}
constexpr auto kMessages = makeRows();

}  // namespace

const RadioState& displayState(MainWindowServices& w) {
  static const RadioState kEmpty;
  return w.core() != nullptr ? w.core()->state() : kEmpty;
}

bool fromReply(MainWindowServices& w, const Msg& m) { return m.l != 0 && !w.part<DisplayPart>().restoring; }

void redrawLook(MainWindowServices& w, MsgId look) { onLook(w, Msg{look, 0, 0}); }

extern const WindowRoutes kLookRoutes{"key looks", kMessages, {}, {}};

}  // namespace hrx::gui
