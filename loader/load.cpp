#include "loader/load.h"
