#pragma once

#include <stdexcept>
#include <string>

namespace beatplate {

// The error codes of JSON-RPC and of the protocol that a request can be answered with.
enum class RpcErrorCode {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    InternalError = -32603,
    ServerNotInitialized = -32002,
    RequestFailed = -32803,
    RequestCancelled = -32800,
};

// Thrown by a request's handler: the error the request is answered with.
class RpcError : public std::runtime_error {
public:
    RpcError(RpcErrorCode code, const std::string& message)
        : std::runtime_error(message)
        , m_code(code)
    {
    }

    [[nodiscard]] RpcErrorCode code() const { return m_code; }

private:
    RpcErrorCode m_code;
};

} // namespace beatplate
