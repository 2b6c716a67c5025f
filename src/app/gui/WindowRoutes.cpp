#include "app/gui/WindowRoutes.h"

#include <iterator>

namespace hrx::gui {

// One line per feature file.
extern const WindowRoutes kCoreRoutes;
extern const WindowRoutes kPanelDisplayRoutes;
extern const WindowRoutes kRecoveryRoutes;

namespace {
const WindowRoutes* const kAll[] = {
    &kCoreRoutes,
    &kPanelDisplayRoutes,
    &kRecoveryRoutes,
};
}  // namespace

std::span<const WindowRoutes* const> allWindowRoutes() { return {kAll, std::size(kAll)}; }

}  // namespace hrx::gui
