#pragma once

#include "Message.h"

#include <memory>

namespace quorvel::tcp {

class Connection;

// A received message with the connection it came from (always empty in this client).
struct OwnedMessage {
    std::shared_ptr<Connection> remote = nullptr;
    Message msg;
};

} // namespace quorvel::tcp
