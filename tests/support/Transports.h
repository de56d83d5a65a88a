#pragma once
#include <gtest/gtest.h>

#include <string>
#include <tuple>

// The two ways the program reaches an instrument; the tests that run over
// both are TEST_P suites instantiated with BothTransports().
enum class Transport { Serial, Network };

inline auto BothTransports() { return ::testing::Values(Transport::Serial, Transport::Network); }

inline std::string TransportText(Transport transport)
{
    return transport == Transport::Serial ? "Serial" : "Network";
}

// Test names for a suite over both transports: "Serial" or "Network".
inline std::string TransportName(const ::testing::TestParamInfo<Transport>& info)
{
    return TransportText(info.param);
}

// Test names for a table of cases run over both transports: "Serial_" or
// "Network_" + the case's name.
struct TransportAndCaseName {
    template <class Info>
    std::string operator()(const Info& info) const
    {
        return TransportText(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
    }
};
