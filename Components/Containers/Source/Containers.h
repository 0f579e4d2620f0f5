// Umbrella header of the Containers component.
#pragma once
#include "ExceptionBase.h"
#include "CharString.h"
#include "SortedTree.h"
#include "collection.h"
#include "Iterator.h"
#include "ValVector.h"
