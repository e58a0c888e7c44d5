#include "uninstall/engine/ChangeJournal.h"

namespace vq {

namespace {
CChangeJournal g_none;
CChangeJournal* g_journal = &g_none;
}  // namespace

CChangeJournal& Journal() { return *g_journal; }
void SetJournal(CChangeJournal* journal) { g_journal = journal ? journal : &g_none; }

}  // namespace vq
