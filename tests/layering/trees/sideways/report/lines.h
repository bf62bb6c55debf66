#pragma once

#include "rules/filter.h"
