#pragma once
// A core stand-in for the main window tests: its own state store, and a
// record of everything the window asks of it.
#include <QImage>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/gui/CoreLink.h"
#include "render/PanelRenderer.h"
#include "state/PanelMirror.h"
#include "state/RadioState.h"

namespace hrx::test {

struct Request {
  int op;
  bool subSide;
  std::int32_t value;
  bool operator==(const Request&) const = default;
};

class FakeCore final : public gui::CoreLink {
 public:
  bool start() override {
    ++starts;
    return true;
  }
  void shutdown() override {
    ++shutdowns;
    if (onShutdown) onShutdown();
  }
  bool onTimer(std::uint32_t id) override {
    std::lock_guard lock(mu);
    ticks.push_back(id);
    return true;
  }
  bool request(int op, bool subSide, std::int32_t value) override {
    std::lock_guard lock(mu);
    requests.push_back({op, subSide, value});
    return true;
  }
  const RadioState& state() const override { return st; }
  WindowFlags& windowFlags() override { return flags; }
  void closePort() override { ++portCloses; }
  RadioState* writableState() override { return &st; }
  PanelMirror* mirror() override { return &mirrorCopy; }
  bool postComposer(MsgId id, WParam w = 0, LParam l = 0) override {
    std::lock_guard lock(mu);
    composerPosts.push_back(id);
    posts.push_back({id, w, l});
    return true;
  }
  bool writeCommand(std::string_view command) override {
    std::lock_guard lock(mu);
    written.emplace_back(command);
    return true;
  }

  RadioState st;
  PanelMirror mirrorCopy;
  std::vector<MsgId> composerPosts;
  WindowFlags flags;
  int portCloses = 0;
  int starts = 0;
  int shutdowns = 0;
  std::function<void()> onShutdown;
  std::mutex mu;
  std::vector<std::uint32_t> ticks;
  std::vector<Request> requests;
  std::vector<Msg> posts;
  std::vector<std::string> written;   // commands written into the send ring
};

// Whether the panel shows `bitmap` at (x, y) drawn with `key` left out:
// every non-key pixel of the bitmap is on the panel as it stands.
inline bool showsBitmap(const QImage& panel, const QImage* bitmap, int x, int y, QRgb key, int columns = -1) {
  if (bitmap == nullptr) return false;
  const int w = columns < 0 ? bitmap->width() : columns;
  for (int by = 0; by < bitmap->height(); ++by)
    for (int bx = 0; bx < w; ++bx) {
      const QRgb px = bitmap->pixel(bx, by) | 0xFF000000;
      if ((px & 0xFFFFFF) == (key & 0xFFFFFF)) continue;
      if ((panel.pixel(x + bx, y + by) | 0xFF000000) != px) return false;
    }
  return true;
}

// A main display digit at position 0..7. The kHz point sits on the last
// column of position 4, so that column is not compared.
inline bool showsMainDigit(const QImage& panel, const QImage* glyph, int position) {
  static constexpr int kX[] = {621, 641, 664, 684, 704, 727, 747, 767};
  return showsBitmap(panel, glyph, kX[position], 53, 0xFF00FF00, 17);
}

// Covers the whole surface with one colour.
inline void fillSurface(render::PanelSurface& s, QRgb colour) {
  QImage ground(render::kPanelWidth, render::kPanelHeight, QImage::Format_RGB32);
  ground.fill(colour);
  s.CopyBitmap(&ground, 0, 0);
}

// A renderer over its own surface, bitmaps and state.
struct RenderRig {
  render::PanelSurface s;
  render::BitmapStore store;
  render::PanelRenderer r{s, store};
  RadioState st;
};

}  // namespace hrx::test
