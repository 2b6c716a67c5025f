#include "app/gui/routes/WindowRoutes.h"

#include <iterator>

namespace hrx::gui {

// One line per feature file.
extern const WindowRoutes kCoreRoutes;
extern const WindowRoutes kPanelDisplayRoutes;
extern const WindowRoutes kLookRoutes;
extern const WindowRoutes kTftRoutes;
extern const WindowRoutes kPanelInputRoutes;
extern const WindowRoutes kKnobRoutes;
extern const WindowRoutes kOptionWindowsRoutes;
extern const WindowRoutes kMenuListRoutes;
extern const WindowRoutes kEqualiserRoutes;
extern const WindowRoutes kShareRoutes;
extern const WindowRoutes kRecoveryRoutes;
extern const WindowRoutes kSetupRoutes;
extern const WindowRoutes kAccessRoutes;

namespace {
const WindowRoutes* const kAll[] = {
    &kCoreRoutes,
    &kPanelDisplayRoutes,
    &kLookRoutes,
    &kTftRoutes,
    &kPanelInputRoutes,
    &kKnobRoutes,
    &kOptionWindowsRoutes,
    &kMenuListRoutes,
    &kEqualiserRoutes,
    &kShareRoutes,
    &kRecoveryRoutes,
    &kSetupRoutes,
    // Last: it tells what the rows before it drew.
    &kAccessRoutes,
};
}  // namespace

std::span<const WindowRoutes* const> allWindowRoutes() { return {kAll, std::size(kAll)}; }

}  // namespace hrx::gui
