// The enemies a match started from the menu reads: the saved records the missions and the
// training table name, for each side, in the folders of both play types.
#include "data_set.h"
#include "datakit/save_images.h"

namespace demodata {

void AddEnemyRecords(DataSet* set) {
    for (auto& [name, bytes] : datakit::EnemyRecordFiles(120)) set->Loose(name, std::move(bytes));
}

}  // namespace demodata
