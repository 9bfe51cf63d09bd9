#include <cstdlib>

#include "playlist/playlist.h"

DWORD PathHash(LPCWSTR key) {
  DWORD h = 0;
  for (; *key; key++) h = h * 33 + DWORD(*key);
  return h;
}

static int KeysEqual(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) a++, b++;
  return *a == *b;
}

void PathIndexCreate(PathIndex* index) { *index = PathIndex{}; }

// Nodes come ten at a time and go back to the free list when removed.
static PathNode* TakeNode(PathIndex* index) {
  if (!index->freeList) {
    PathBlock* block = static_cast<PathBlock*>(calloc(1, sizeof(PathBlock)));
    if (!block) return nullptr;
    block->next = index->blocks;
    index->blocks = block;
    for (int i = 0; i < PATH_BLOCK_NODES; i++) {
      block->nodes[i].next = index->freeList;
      index->freeList = &block->nodes[i];
    }
  }
  PathNode* node = index->freeList;
  index->freeList = node->next;
  return node;
}

int PathIndexInsert(PathIndex* index, const WCHAR* key, PlaylistEntry* value) {
  DWORD bucket = PathHash(key) % PATH_BUCKETS;
  for (PathNode* n = index->buckets[bucket]; n; n = n->next) {
    if (KeysEqual(n->key, key)) {
      n->key = key;
      n->value = value;
      return 1;
    }
  }
  PathNode* node = TakeNode(index);
  if (!node) return 0;
  node->bucket = bucket;
  node->key = key;
  node->value = value;
  node->next = index->buckets[bucket];
  index->buckets[bucket] = node;
  index->itemCount++;
  return 1;
}

PlaylistEntry* PathIndexFind(const PathIndex* index, LPCWSTR key) {
  if (!key) return nullptr;
  for (PathNode* n = index->buckets[PathHash(key) % PATH_BUCKETS]; n; n = n->next)
    if (KeysEqual(n->key, key)) return n->value;
  return nullptr;
}

int PathIndexRemove(PathIndex* index, LPCWSTR key) {
  PathNode** link = &index->buckets[PathHash(key) % PATH_BUCKETS];
  for (PathNode* n = *link; n; link = &n->next, n = n->next) {
    if (KeysEqual(n->key, key)) {
      *link = n->next;
      n->next = index->freeList;
      index->freeList = n;
      index->itemCount--;
      return 1;
    }
  }
  return 0;
}

void PathIndexClear(PathIndex* index) {
  while (PathBlock* block = index->blocks) {
    index->blocks = block->next;
    free(block);
  }
  *index = PathIndex{};
}
