// Umbrella header of the FileSystem component.
#pragma once
