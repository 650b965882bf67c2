#include "data/scales_state.h"

#include "app/numbers.h"

namespace korvan {

bool ScalesBoundsValid(const ScalesState& state, char decimal_separator) {
  std::array<double, 4> bounds{};
  for (size_t i = 0; i < 4; ++i) {
    if (state.choices[i] == 0) bounds[i] = StrToFloat(state.texts[i], decimal_separator);
  }
  auto crossed = [&](ScaleBound min, ScaleBound max) {
    return state.choices[min] == 0 && state.choices[max] == 0 && bounds[min] > bounds[max];
  };
  return !crossed(kLeftMin, kLeftMax) && !crossed(kRightMin, kRightMax);
}

}  // namespace korvan
