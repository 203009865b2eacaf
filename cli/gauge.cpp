#include "gauge.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addGaugeZeroOption(CLI::App& command, std::string& gaugeZero, const std::string& what)
{
    command.add_option("--gauge-zero", gaugeZero,
                       "a staff gauge's reading at the bottom of the opening (mm), its zero lying that far below: " + what)
        ->type_name("MM");
}

}  // namespace vordanel::cli
