#pragma once

#include <string>

namespace CLI {
class App;
}

namespace vordanel::cli {

// --gauge-zero MM, a staff gauge's reading at the bottom of the opening (shared by flow, table and
// gauge); `what` says what it does to the command's heads.
void addGaugeZeroOption(CLI::App& command, std::string& gaugeZero, const std::string& what);

}  // namespace vordanel::cli
