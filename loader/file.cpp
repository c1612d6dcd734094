#include "loader/reader.h"
