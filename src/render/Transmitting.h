#pragma once
// Whether the radio sends, as its TX report says: 1 keyed by a command (the
// program, a sharing client), 2 by its own PTT. The panel shows both alike.
namespace hrx::render {

constexpr bool isTransmitting(int txStat) { return txStat == 1 || txStat == 2; }

}  // namespace hrx::render
