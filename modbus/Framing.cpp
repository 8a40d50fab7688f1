#include "modbus/Framing.h"

#include <array>

// Each maker lives in its framing's own file.
std::unique_ptr<IFraming> MakeRtuFraming();
std::unique_ptr<IFraming> MakeMbapFraming();

namespace {

// One entry per value of Framing, in its order.
constexpr std::array kMakers = {&MakeRtuFraming, &MakeMbapFraming};

}  // namespace

std::unique_ptr<IFraming> MakeFraming(Framing framing) {
    return kMakers.at(static_cast<std::size_t>(framing))();
}
