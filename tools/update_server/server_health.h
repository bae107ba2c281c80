#pragma once
// Whether the server takes new sessions now, as a load balancer's health check sees it.
#include <string>

struct ServerHealth {
    bool serving = false;
    std::string state;  // "serving", or why not
};
