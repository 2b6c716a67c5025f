#include "platform/HeadlessMainWindow.h"

#include <future>
#include <thread>

namespace hrx {

namespace {
constexpr MsgId kMsgSendSync = 0x7FFF0001;  // carries a pointer to a pending send
struct PendingSend {
  Msg msg;
  std::promise<LParam> result;
};
}  // namespace

class HeadlessMainWindow::Loop final : public MsgThread {
 public:
  explicit Loop(HeadlessMainWindow& owner) : MsgThread("MainWindow"), owner_(owner) {}
  ~Loop() override { stopNow(); }
  std::thread::id threadId() const { return id_.load(); }

 protected:
  void onStart() override { id_.store(std::this_thread::get_id()); }
  void onMessage(const Msg& msg) override {
    if (msg.id == kMsgSendSync) {
      auto* p = reinterpret_cast<PendingSend*>(msg.w);
      p->result.set_value(owner_.handler_(p->msg));
      return;
    }
    owner_.handler_(msg);
  }

 private:
  HeadlessMainWindow& owner_;
  std::atomic<std::thread::id> id_{};
};

HeadlessMainWindow::HeadlessMainWindow(Handler handler)
    : handler_(std::move(handler)),
      loop_(std::make_unique<Loop>(*this)),
      timers_([this](std::uint32_t id) { loop_->postUnique(kMsgTimer, id, 0); }) {
  loop_->start();
}

HeadlessMainWindow::~HeadlessMainWindow() { stop(); }

void HeadlessMainWindow::stop() { loop_->stopNow(); }

void HeadlessMainWindow::postMessage(MsgId id, WParam w, LParam l) { loop_->post(id, w, l); }

LParam HeadlessMainWindow::sendMessage(MsgId id, WParam w, LParam l) {
  if (std::this_thread::get_id() == loop_->threadId()) return handler_(Msg{id, w, l});
  PendingSend p{Msg{id, w, l}, {}};
  auto fut = p.result.get_future();
  if (!loop_->post(kMsgSendSync, reinterpret_cast<WParam>(&p), 0)) return 0;
  return fut.get();
}

void HeadlessMainWindow::setTimer(std::uint32_t id, std::uint32_t periodMs) { timers_.set(id, periodMs); }
void HeadlessMainWindow::killTimer(std::uint32_t id) { timers_.kill(id); }

}  // namespace hrx
