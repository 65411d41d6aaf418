// The walkable-surface model of the loaded scenario: a grid of one-unit cells over the static
// collision geometry, each cell holding stacked floors (layers), grouped into sectors that a
// reachability matrix joins. Fighters, items, props and portals occupy layers.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"

class Character;
class CollisionMesh;
struct CollisionFace;
class Item;
class DynamicObject;
struct PortalRecord;

// A cell address {x, z, layer}. Trajectory files store these, so layer indices are stored data.
struct CellRef {
    int32_t x;
    int32_t z;
    int32_t layer;
};

// The points a fighter's record holds for one path.
constexpr int32_t PATH_POINTS_MAX = 1500;

// Where a path search writes its result: the owner's point count and points. Point k is the cell
// reached after k steps, point 0 the start; at most capacity points are written.
struct PathBlock {
    int32_t* length;
    CellRef* points;
    int32_t capacity;
};

// Values of PathLayer::mark.
constexpr uint8_t PATH_MARK_FREE = 0;
constexpr uint8_t PATH_MARK_QUEUED = 2;
constexpr uint8_t PATH_MARK_START = 3;
constexpr uint8_t PATH_MARK_GOAL = 4;

// A corner probe that found no ground.
constexpr float PATH_NO_GROUND = -1000.0f;
// The colour of a sector nothing leads into.
constexpr uint32_t PATH_ISOLATED_COLOUR = 0x80ff0000u;

// One walkable floor of a cell.
struct PathLayer {
    float floor;            // highest point of the surface in the cell; the y of the cell centre
    float low;              // lowest point of the surface in the cell
    // Ground at the corners (x, z), (x, z + 1), (x + 1, z + 1), (x + 1, z); PATH_NO_GROUND when none.
    float corners[4];
    int32_t sector;         // -1 while unassigned
    uint8_t mark;           // scratch of the flood fill and the search; 0 between operations
    uint8_t jumpStart;
    CellRef jumpTarget;
    uint8_t jumpLanding;
    CellRef jumpSource;
    // Occupants, run time only.
    Character* character;
    Item* item;
    DynamicObject* prop;
    PortalRecord* portal;
    // Written by the element-map editor with a placed special element.
    uint8_t specialRole;    // 1 symbol, 2 checkpoint
    uint8_t specialIndex;   // the symbol's team or the checkpoint's number
    int32_t specialSlot = -1;   // the match's symbol team or checkpoint slot; -1 none
};

// One grid cell. layerCount always equals layers.size(); Resize keeps them together.
struct PathCell {
    uint8_t flag;           // 1 while the builder never gave the cell a layer
    int32_t layerCount;
    std::vector<PathLayer> layers;   // lowest floor first

    // n zeroed layers with sector -1 and no ground at the corners.
    void Resize(int32_t n);
};

// A connected region of layers.
struct PathSector {
    int32_t index;          // as created; survives the builder's size sort
    uint32_t colour;        // ARGB debug colour; PATH_ISOLATED_COLOUR when isolated
    int32_t cellCount;
    std::vector<CellRef> cells;                  // builder only
    std::vector<int32_t> jumpCounts;             // builder only: links into each sector
    std::vector<std::vector<CellRef>> jumps;     // builder only: their start cells
    uint8_t isolated;       // no jump landing or portal leads into it
    // reach[b]: 0 unreachable, 1 through this sector and b only, 2 through further sectors.
    std::vector<int32_t> reach;
};

class PathMap {
public:
    // Header fields, in the order the file stores them.
    int32_t cols;
    int32_t rows;
    float offX;             // cell x = trunc(world x + offX)
    float offZ;
    Vec3 max;               // bounds of the static collision geometry
    Vec3 min;
    std::vector<std::vector<PathCell>> columns;  // columns[x][z]
    int32_t sectorCount;
    std::vector<PathSector> sectors;

    PathMap();
    ~PathMap() = default;
    PathMap(const PathMap&) = delete;
    PathMap& operator=(const PathMap&) = delete;

    bool Release();
    // Frees every cell, sector and reach row; the header's sizes and offsets become 0.
    bool Free();
    // cols x rows cells, each flagged and without layers; sectors untouched.
    void Allocate(int32_t cols, int32_t rows);

    // No check: the cell must be valid (IsValidCell or WorldToCell).
    uint8_t CellFlags(const CellRef& cell) const { return columns[cell.x][cell.z].flag; }
    int32_t LayerCount(int32_t x, int32_t z) const { return columns[x][z].layerCount; }
    PathLayer* GetLayer(const CellRef& cell) { return &columns[cell.x][cell.z].layers[cell.layer]; }
    const PathLayer* GetLayer(const CellRef& cell) const { return &columns[cell.x][cell.z].layers[cell.layer]; }
    float LayerMinHeight(const CellRef& cell) const { return GetLayer(cell)->low; }
    uint8_t GetMark(const CellRef& cell) const { return GetLayer(cell)->mark; }
    void SetMark(const CellRef& cell, uint8_t value) { GetLayer(cell)->mark = value; }
    uint8_t HasJump(const CellRef& cell) const { return GetLayer(cell)->jumpStart; }
    CellRef* JumpTarget(CellRef* out, const CellRef& cell) const {
        *out = GetLayer(cell)->jumpTarget;
        return out;
    }
    uint8_t IsJumpLanding(const CellRef& cell) const { return GetLayer(cell)->jumpLanding; }
    Character* CharacterAt(const CellRef& cell) const { return GetLayer(cell)->character; }
    Item* ItemAt(const CellRef& cell) const { return GetLayer(cell)->item; }
    PortalRecord* PortalAt(const CellRef& cell) const { return GetLayer(cell)->portal; }

    // -1 when the cell is not valid.
    int32_t SectorOf(const CellRef& cell) const;
    // Null when the cell is not valid.
    Item* FindItem(const CellRef& cell) const;
    // 0 for an index outside the sector table.
    uint8_t IsSectorIsolated(int32_t sector) const;
    int32_t SectorReaches(int32_t a, int32_t b) const;
    // The sector's debug colour; 0 for -1 or any index outside the table.
    uint32_t SectorColour(int32_t sector) const;
    bool CanReach(const CellRef& a, const CellRef& b) const;
    // Despawns fighters, removes items and props found on the layers, rows outer and columns
    // inner, and clears every occupant pointer and run-time byte whatever those calls do.
    void ClearOccupants();

    // Writes x and z before any test; the layer only inside the grid (also -1).
    bool WorldToCell(const Vec3& position, CellRef* out, float tolerance) const;
    // The cell centre at its layer's floor; y -1000 when the cell has no layer.
    Vec3* CellToWorld(Vec3* out, const CellRef& cell) const;
    float CellDistance(const CellRef& a, const CellRef& b) const;
    bool IsValidCell(const CellRef& cell) const;
    bool CheckCell(const CellRef& cell) const { return IsValidCell(cell); }
    bool InBounds(int32_t x, int32_t z) const { return x >= 0 && x < cols && z >= 0 && z < rows; }
    // The layer whose floor is nearest the height and strictly within the tolerance; ties keep
    // the lower index; -1 when none.
    int32_t FindLayerNear(int32_t x, int32_t z, float height, float tolerance) const;

    // The stored map of the loaded scenario, or the builder's when none is stored. A stored file
    // that is refused is not built over: false, and the map stays empty.
    bool LoadOrBuild();
    // Derives the whole map from the static collision meshes of the scene, drawing a progress
    // screen for each step. False (nothing built) when the geometry has no vertex or the grid
    // would exceed what the file reader takes.
    bool Build();
    // The path-map file, loose or in "MODELOS.DAT". Every count and index is checked against the
    // entry; a refused file leaves the map empty and logs why.
    bool Read(const char* name);
    // The loose file, replaced whole; false (and the older file kept) when it cannot be written.
    bool Write(const char* name) const;

    // The builder's steps, in the order Build runs them.
    bool ComputeBounds();
    bool AllocateCells(int32_t cols, int32_t rows);
    void FreeCells();
    // Steps 1 and 2: collision polygons cut into per-cell fragments, then each cell's fragments
    // merged, probed and filtered into layers.
    void StepFaces();
    void RasteriseFace(const CollisionMesh& mesh, const CollisionFace& polygon);
    // The polygon's part inside the cell's square: its lowest and highest y and its area. False
    // when fewer than 3 points remain.
    bool ClipFaceToCell(const CollisionMesh& mesh, const CollisionFace& polygon, int32_t x, int32_t z, float* low,
                        float* floor, float* area) const;
    void StepCellLayers(int32_t x, int32_t z);
    // Step 3: sectors by flood fill, then pruned, sorted by size and coloured.
    void StepCells();
    // False when the shared queue ran full before the fill was done.
    bool FloodSector(int32_t x, int32_t z, int32_t layer);
    // 0 nothing pushed, 1 something pushed, 2 the queue ran full.
    int FloodRound();
    int FloodExpandCell(int32_t entry);
    bool FloodPush(const CellRef& cell);
    // The first layer of the cell within a step of the floor; -1 when none.
    int32_t NeighbourLayer(int32_t x, int32_t z, float floor) const;
    void StepSectors();
    void RemoveSector(int32_t sector);
    void RemoveLayer(const CellRef& cell);
    // Steps 4 and 5: jump links between sectors, isolation and the reachability rows.
    void StepJumps();
    int32_t FindJumpCandidates(int32_t a, int32_t b);
    void MarkIsolatedSectors();
    void StepAccess();
    // The progress screens of the five steps, redrawn only at their throttled counts.
    void Progress(uint64_t current, uint64_t total);
    void ProgressCells(uint64_t current, uint64_t total);
    void ProgressSectors(uint64_t current, uint64_t total);
    void ProgressJumps(uint64_t current, uint64_t total);
    void ProgressAccess(uint64_t current, uint64_t total);
};

// Polygons of the walkable-flagged groups of every static collision mesh.
uint64_t CountCollisionFaces();

// The loaded scenario's map; null while no scenario is loaded.
PathMap* ScenarioPathMap();

// Distance between two cell centres on the scenario's map; rise = centre(b).y - centre(a).y.
float MeasureCellDistance(const CellRef& a, const CellRef& b, float* rise);
