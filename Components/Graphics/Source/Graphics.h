// Umbrella header of the Graphics component.
#pragma once
