#pragma once

#include <string>

// Why this process may open no ICMP socket, told from the error that OpenIcmpSocket raised and
// from what the platform allows.
std::string IcmpRefusalReason(const std::string& error);
