// Umbrella header of the Containers component.
#pragma once
#include "ExceptionBase.h"
#include "CharString.h"
#include "SortedTree.h"
