#include "tools/vlutil/outlines.h"

#include <set>
#include <vector>

#include <qpdf/QPDFObjectHandle.hh>

namespace vlutil {

namespace {

// A damaged file may chain its bookmarks in a circle: every chain is
// walked at most this far, and never into an item seen before.
constexpr std::size_t kMaxTopLevelItems = 100000;

std::vector<QPDFObjectHandle> topLevelItems(QPDFObjectHandle root) {
  std::vector<QPDFObjectHandle> items;
  std::set<QPDFObjGen> seen;
  for (QPDFObjectHandle item = root.getKey("/First");
       item.isDictionary() && items.size() < kMaxTopLevelItems; item = item.getKey("/Next")) {
    if (item.isIndirect() && !seen.insert(item.getObjGen()).second) break;
    items.push_back(item);
  }
  return items;
}

// The visible items a root counts: its /Count, or its top-level items when
// it has none.
long long visibleCount(QPDFObjectHandle root, std::size_t topLevel) {
  QPDFObjectHandle count = root.getKey("/Count");
  if (count.isInteger() && count.getIntValue() >= 0) return count.getIntValue();
  return static_cast<long long>(topLevel);
}

}  // namespace

void appendOutlines(QPDF& target, QPDF& source) {
  QPDFObjectHandle sourceRoot = source.getRoot().getKey("/Outlines");
  if (!sourceRoot.isDictionary()) return;
  if (topLevelItems(sourceRoot).empty()) return;
  // The whole tree comes along with its root; its page references find the
  // pages copied before.
  QPDFObjectHandle copiedRoot = target.copyForeignObject(sourceRoot);
  std::vector<QPDFObjectHandle> added = topLevelItems(copiedRoot);
  if (added.empty()) return;

  QPDFObjectHandle catalog = target.getRoot();
  QPDFObjectHandle root = catalog.getKey("/Outlines");
  std::vector<QPDFObjectHandle> existing;
  if (root.isDictionary()) existing = topLevelItems(root);
  if (!root.isDictionary() || existing.empty()) {
    root = target.makeIndirectObject(QPDFObjectHandle::newDictionary());
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
    catalog.replaceKey("/Outlines", root);
    existing.clear();
  }
  const long long count =
      (existing.empty() ? 0 : visibleCount(root, existing.size())) + visibleCount(copiedRoot, added.size());

  // Only the chain that was walked is joined: what a damaged chain had past
  // its end or circle is left behind.
  added.back().removeKey("/Next");
  if (existing.empty()) {
    root.replaceKey("/First", added.front());
    added.front().removeKey("/Prev");
  } else {
    existing.back().replaceKey("/Next", added.front());
    added.front().replaceKey("/Prev", existing.back());
  }
  root.replaceKey("/Last", added.back());
  root.replaceKey("/Count", QPDFObjectHandle::newInteger(count));
  for (QPDFObjectHandle& item : added) item.replaceKey("/Parent", root);
}

}  // namespace vlutil
