// The program's fixed identity texts, shared by the log header and the PRO file header.
#pragma once

inline constexpr const char* ProgramName = "RIVAN";
inline constexpr const char* ProgramVersion = "2.00 - b00";
// At most 41 characters: the terminal's title row holds no more between its name and version.
inline constexpr const char* CopyrightLine = "Copyright (c) 2026 Qelvar Instruments";
