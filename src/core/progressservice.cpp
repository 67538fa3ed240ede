#include "core/progressservice.h"

namespace tovane {
ProgressService::~ProgressService() = default;
}
