#pragma once
// Turning the socket's text settings into addresses, ports and protocols.
// Each resolver returns false with the report text in Msg and a Windows
// Sockets number in Error.
#include <netinet/in.h>

#include <string>
#include <string_view>

namespace tolvar {

// Blanks around, digits and exactly three dots, no leading dot, a digit after
// each dot, every part at most 255.
bool IsDottedAddress(std::string_view Text);

// "tcp", "udp" or any protocol name or number; Type becomes the socket type.
bool ResolveProto(const std::string& Proto, int& Number, int& Type, std::string& Msg, int& Error);
// A port number or a service name of Proto, in network byte order.
bool ResolvePort(const std::string& Port, const std::string& Proto, in_port_t& Result,
                 std::string& Msg, int& Error);
// A dotted address, or a name through a blocking system lookup.
bool ResolveHost(const std::string& Host, in_addr& Result, std::string& Msg, int& Error);

}  // namespace tolvar
