// The program's fixed identity texts, shared by the log header and the PRO file header.
#pragma once

inline constexpr const char* ProgramName = "RIVAN";
inline constexpr const char* ProgramVersion = "2.00 - b00";
inline constexpr const char* CopyrightLine =
    "Copyright (c) 2026 Qelvar Instruments. All rights reserved.";
