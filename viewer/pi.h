// The one pi constant of the project (M_PI is not standard C++, and MSVC lacks it).
#pragma once

const double kPi = 3.14159265358979323846;
