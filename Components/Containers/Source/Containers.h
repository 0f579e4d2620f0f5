// Umbrella header of the Containers component.
#pragma once
#include "SortedTree.h"
