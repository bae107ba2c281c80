#pragma once
// "address:port" for logs, with IPv6 addresses in brackets.
#include <asio.hpp>
#include <string>

inline std::string EndpointText(const asio::ip::tcp::endpoint& endpoint) {
    const bool v6 = endpoint.address().is_v6();
    std::string text;
    if (v6) text.push_back('[');
    text += endpoint.address().to_string();
    if (v6) text.push_back(']');
    text.push_back(':');
    text += std::to_string(endpoint.port());
    return text;
}
