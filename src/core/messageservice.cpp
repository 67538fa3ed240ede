#include "core/messageservice.h"

namespace tovane {
MessageService::~MessageService() = default;
}
