#include "rally_court/random.h"

namespace RallyCourt {

Random theRandom;

}  // namespace RallyCourt
