#pragma once

#include "render/material.h"
