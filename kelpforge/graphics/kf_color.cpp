// ColorLerp: the blend between two colours used for fading tints.
#include "kelpforge/graphics/kf_color.h"

namespace Kelpforge::Graphics {

Color ColorLerp(float t, const Color& from, const Color& to) {
  Color result;
  if (t < 0.0f) {
    result.SetColor(from.packedARGB);
  } else if (t > 1.0f) {
    result.SetColor(to.packedARGB);
  } else {
    result.SetColor(from.alpha + (to.alpha - from.alpha) * t,
                    from.red + (to.red - from.red) * t,
                    from.green + (to.green - from.green) * t,
                    from.blue + (to.blue - from.blue) * t);
  }
  return result;
}

}  // namespace Kelpforge::Graphics
