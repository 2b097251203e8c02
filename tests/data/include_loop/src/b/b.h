#pragma once

#include "a/a.h"
