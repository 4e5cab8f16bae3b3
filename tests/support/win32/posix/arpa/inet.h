// <arpa/inet.h> for the tests on Windows: the same calls from Winsock.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
