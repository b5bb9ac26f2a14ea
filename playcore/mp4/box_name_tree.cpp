// The trie of known box codes and the table it is filled from.
#include "playcore/mp4/box_name_tree.h"

namespace playcore {
namespace {

// The box codes this program knows, in the order they are loaded ("xml " appears twice, as in the
// table the program has always shipped; the second insert finds it present).
const char* const kKnownCodes[] = {
    "ainf", "avcn", "bloc", "bpcc", "buff", "bxml", "ccid", "cdef", "clip", "cmap", "co64", "colr", "crgn",
    "crhd", "cslg", "ctab", "ctts", "cvru", "dinf", "dref", "dsgd", "dstg", "edts", "elst", "fdel", "feci",
    "fecr", "fiin", "fire", "fpar", "free", "frma", "ftyp", "gitn", "grpi", "hdlr", "hmhd", "hpix", "icnu",
    "ID32", "idat", "ihdr", "iinf", "iloc", "imap", "imif", "infe", "infu", "iods", "iphd", "ipmc", "ipro",
    "iref", "jP  ", "jp2c", "jp2h", "jp2i", "kmat", "leva", "load", "lrcu", "m7hd", "matt", "mdat", "mdhd",
    "mdia", "mdri", "meco", "mehd", "mere", "meta", "mfhd", "mfra", "mfro", "minf", "mjhd", "moof", "moov",
    "mvcg", "mvci", "mvex", "mvhd", "mvra", "nmhd", "ochd", "odaf", "odda", "odhd", "odhe", "odrb", "odrm",
    "odtt", "ohdr", "padb", "paen", "pclr", "pdin", "pitm", "pnot", "prft", "res ", "resc", "resd", "rinf",
    "saio", "saiz", "sbgp", "schi", "schm", "sdep", "sdhd", "sdtp", "sdvp", "segr", "senc", "sgpd", "sidx",
    "sinf", "skip", "smhd", "srmb", "srmc", "srpp", "ssix", "stbl", "stco", "stdp", "sthd", "strd", "stri",
    "stsc", "stsd", "stsg", "stsh", "stss", "stsz", "stts", "styp", "stz2", "subs", "swtc", "tfad", "tfdt",
    "tfhd", "tfma", "tfra", "tibr", "tiri", "tkhd", "traf", "trak", "tref", "trex", "trgr", "trik", "trun",
    "udta", "uinf", "UITS", "ulst", "url ", "uuid", "vmhd", "vwdi", "xml ", "xml ", "udat", "gpsa", "gps0",
    "ICAT", "IDIT", "Xtra",
};

}  // namespace

BoxNameTree::Node& BoxNameTree::Root() {
  static Node root;
  return root;
}

void BoxNameTree::Add(const char* code) {
  Node* node = &Root();
  for (int level = 0; level < kCodeLength && code[level]; ++level) {
    if (!node->children) node->children.reset(new std::unique_ptr<Node>[kMaxChildren]());
    Node* next = nullptr;
    for (int i = 0; i < node->childCount; ++i) {
      if (node->children[i]->ch == code[level]) {
        next = node->children[i].get();
        break;
      }
    }
    if (!next) {
      if (node->childCount >= kMaxChildren) return;
      node->children[node->childCount].reset(new Node());
      next = node->children[node->childCount].get();
      next->ch = code[level];
      ++node->childCount;
    }
    node = next;
  }
}

bool BoxNameTree::Contains(const char* code) {
  const Node* node = &Root();
  for (int level = 0; level < kCodeLength; ++level) {
    if (!code[level]) return false;
    const Node* next = nullptr;
    for (int i = 0; i < node->childCount; ++i) {
      if (node->children[i]->ch == code[level]) {
        next = node->children[i].get();
        break;
      }
    }
    if (!next) return false;
    node = next;
  }
  return code[kCodeLength] == '\0';
}

bool BoxNameTree::Contains(uint32_t fourcc) {
  char code[kCodeLength + 1];
  for (int i = 0; i < kCodeLength; ++i) {
    code[i] = static_cast<char>((fourcc >> (8 * (kCodeLength - 1 - i))) & 0xFF);
    if (code[i] == '\0') return false;
  }
  code[kCodeLength] = '\0';
  return Contains(code);
}

bool BoxNameTree::IsEmpty() { return Root().childCount == 0; }

void BoxNameTree::Free() {
  Node& root = Root();
  root.children.reset();
  root.childCount = 0;
}

void BoxNameTree::AddKnownBoxNames() {
  for (const char* code : kKnownCodes) Add(code);
}

}  // namespace playcore
