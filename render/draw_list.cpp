#include "render/draw_list.h"

#include <cstdlib>
#include <cstring>

#include "app/core/alloc_block.h"
#include "app/core/fatal_error.h"

namespace {

char* copy_name(const char* name)
{
    char* copy = strdup(name ? name : "");
    if (!copy)
        fatal_error("Not enough memory!");
    return copy;
}

// Entries are filed by the ten thousand every frame: freed entries wait here for the next frame
// instead of going back to the heap, and new ones come in blocks. The spare list never holds
// more than the most faces one frame filed.
constexpr uint32_t ENTRY_BLOCK = 1024;
DrawEntry* spareEntries = nullptr;

DrawEntry* new_entry(Face* face, DrawEntry* next)
{
    if (!spareEntries) {
        DrawEntry* block = alloc_array<DrawEntry>(ENTRY_BLOCK);
        for (uint32_t i = 0; i + 1 < ENTRY_BLOCK; ++i)
            block[i].next = &block[i + 1];
        spareEntries = block;
    }
    DrawEntry* entry = spareEntries;
    spareEntries = entry->next;
    entry->face = face;
    entry->next = next;
    return entry;
}

// Faces come mesh by mesh, mostly of one material: the bucket of the last material filed is
// remembered until the list is freed. A bucket once made stays the one of its pass and name.
struct LastBucket {
    const Scene* scene;
    const Material* material;
    DrawBucket* bucket;
};
LastBucket lastBucket{};

}  // namespace

int draw_pass_of(const Material* material)
{
    if (!material)
        return 0;
    const bool plain = material->wireframe || (!material->texture1 && !material->texture2);
    if (!material->blendTable)
        return plain ? 1 : 2;
    return plain ? 3 : 4;
}

DrawBucket* draw_list_find(DrawBucket* head, int pass, const char* name)
{
    for (DrawBucket* bucket = head; bucket; bucket = bucket->next) {
        if (bucket->pass != pass)
            continue;
        if (!name)
            return bucket;
        if (!bucket->entries)
            fatal_error("Incorrect use of DRAW_LIST-structure");
        if (bucket->name && std::strcmp(bucket->name, name) == 0)
            return bucket;
    }
    return nullptr;
}

void draw_list_add(Scene& scene, Face* face)
{
    if (face->material && lastBucket.material == face->material && lastBucket.scene == &scene &&
        lastBucket.bucket->entries) {
        lastBucket.bucket->entries = new_entry(face, lastBucket.bucket->entries);
        return;
    }
    const int pass = draw_pass_of(face->material);
    // A material the file left unnamed files under the empty name, apart from pass 0.
    const char* name = nullptr;
    if (pass != 0)
        name = face->material->name ? face->material->name : "";

    DrawBucket* bucket = draw_list_find(scene.drawBuckets, pass, name);
    if (bucket) {
        if (!bucket->entries)
            fatal_error("super perkele");
        bucket->entries = new_entry(face, bucket->entries);
        lastBucket = {&scene, face->material, bucket};
        return;
    }
    bucket = alloc_record<DrawBucket>();
    bucket->pass = pass;
    bucket->name = pass != 0 ? copy_name(name) : nullptr;
    bucket->entries = new_entry(face, nullptr);
    bucket->next = scene.drawBuckets;
    scene.drawBuckets = bucket;
    lastBucket = {&scene, face->material, bucket};
}

void draw_entry_free(DrawEntry* entry)
{
    entry->next = spareEntries;
    spareEntries = entry;
}

void draw_list_free(Scene& scene)
{
    DrawBucket* bucket = scene.drawBuckets;
    while (bucket) {
        DrawEntry* entry = bucket->entries;
        while (entry) {
            DrawEntry* next = entry->next;
            draw_entry_free(entry);
            entry = next;
        }
        DrawBucket* next = bucket->next;
        std::free(bucket->name);
        std::free(bucket);
        bucket = next;
    }
    scene.drawBuckets = nullptr;
    lastBucket = {};
}
