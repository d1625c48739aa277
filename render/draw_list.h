#pragma once
// The faces filed in one frame, sorted into buckets by draw pass and material so that faces that
// share device states reach the drawers together, and opaque faces come before transparent ones.

#include "scene/scene.h"

struct DrawEntry {
    DrawEntry* next;
    Face* face;
};

struct DrawBucket {
    DrawBucket* next;
    int pass;            // 0 to 4; -1 once drawn
    DrawEntry* entries;  // newest first; never null while the bucket is live
    char* name;          // own copy of the material name; null for pass 0
};

constexpr int DRAW_PASS_COUNT = 5;

// What the list keeps from one frame to the next (in the renderer's record). Entries are filed by
// the ten thousand every frame: freed entries wait as spares for the next frame instead of going
// back to the heap, and new ones come in blocks; the spares never outnumber the most faces one
// frame filed. Faces come mesh by mesh, mostly of one material: the bucket of the last material
// filed is remembered until the list is freed. A bucket once made stays the one of its pass and
// name.
struct LastBucket {
    const Scene* scene;
    const Material* material;
    DrawBucket* bucket;
};

struct DrawListMemory {
    DrawEntry* spareEntries;
    LastBucket lastBucket;
};

// 0 no material, 1 opaque plain, 2 opaque textured, 3 transparent plain, 4 transparent textured.
int draw_pass_of(const Material* material);
void draw_list_add(Scene& scene, Face* face);
DrawBucket* draw_list_find(DrawBucket* head, int pass, const char* name);
// Gives an entry back once its face is drawn.
void draw_entry_free(DrawEntry* entry);
// Frees every bucket and entry left in the list and leaves the scene's list empty.
void draw_list_free(Scene& scene);
