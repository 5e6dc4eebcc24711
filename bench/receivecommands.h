// The 39 block reads of a receive, in the program's order, as the benchmarks' own minimal
// hosts send them.
#pragma once

#include "profile/memorycommands.h"
#include "profile/memorymap.h"

#include <string>
#include <vector>

inline std::vector<std::string> ReceiveCommands() {
    std::vector<std::string> commands = {
        MemoryCommands::Read(MemoryMap::ConfigurationAddress, MemoryMap::ConfigurationReadLength)};
    for (int point = 0; point < MemoryMap::PointCount; ++point)
        commands.push_back(
            MemoryCommands::Read(MemoryMap::PointAddress(point), MemoryMap::PointReadLength));
    for (int slot = 0; slot < MemoryMap::MessageCount; ++slot)
        commands.push_back(
            MemoryCommands::Read(MemoryMap::MessageAddress(slot), MemoryMap::MessageReadLength));
    return commands;
}
