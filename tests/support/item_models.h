// The item tests' stand-ins for the models of every item type.
#pragma once

namespace testsupport {

// The models of every item type, named as their files name them, without meshes.
void InstallItemModels();

}  // namespace testsupport
