// The script dorvik-sim runs when it is started without arguments.
#pragma once

#include <string>
#include <vector>

extern const std::vector<std::string> kDemonstration;
