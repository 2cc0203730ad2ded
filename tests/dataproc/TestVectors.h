// Reads the published test vectors kept under tests/data/vectors.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

inline std::vector<std::vector<std::string>> ReadVectorFile(const std::string& Name)
{
    std::ifstream in(std::string(ZMB_TEST_DATA_DIR) + "/vectors/" + Name);
    if (!in)
        throw std::runtime_error("missing vector file " + Name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cols;
        // A quoted first column may hold spaces.
        if (line[0] == '"') {
            const auto close = line.find('"', 1);
            cols.push_back(line.substr(0, close + 1));
            line = line.substr(close + 1);
        }
        std::istringstream fields(line);
        std::string f;
        while (fields >> f)
            cols.push_back(f);
        rows.push_back(cols);
    }
    return rows;
}

inline std::vector<uint8_t> FromHex(const std::string& Hex)
{
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i + 1 < Hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(Hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string ToHex(const uint8_t* Data, std::size_t Size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < Size; ++i) {
        out += digits[Data[i] >> 4];
        out += digits[Data[i] & 15];
    }
    return out;
}

// A message column: "text" (ASCII) or repeat:N:c.
inline std::string VectorMessage(const std::string& Column)
{
    if (Column.size() >= 2 && Column.front() == '"')
        return Column.substr(1, Column.size() - 2);
    if (Column.rfind("repeat:", 0) == 0) {
        const auto colon = Column.find(':', 7);
        return std::string(std::stoul(Column.substr(7, colon - 7)), Column[colon + 1]);
    }
    throw std::runtime_error("unknown message form " + Column);
}
