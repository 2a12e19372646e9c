// The product printer for a whole office, on CUPS: a class "Vellora" whose
// member queues ("Vellora-1", "Vellora-2", ...) the spooler fills in
// parallel, members that pass jobs on to the queue of another server, and
// sharing the product's queues on the network. Every member is recorded
// in the machine key kClassMembersKey as standing for "Vellora", so that
// it converts with that printer's settings, profiles and options file.
#pragma once

#include <string>

#include "spooler/spooler.h"

namespace vellora {

// Limits of the member count a command may ask for.
constexpr int kMaxClassMembers = 64;

// The record of the product printer as a queue: the queue "Vellora", or a
// member of the class "Vellora" on the monitor's port, named "Vellora".
// False when there is neither.
bool ProductPrinterRecord(platform::PrinterRecord* record);

// Makes the product printer a class of count member queues on the
// monitor's port: the queue "Vellora" gives way to the class (it must have
// no job waiting), or the class gets members added or taken away (a member
// with a job stays until the command is run again). False when that could
// not be done in full; the queue "Vellora" is put back when the class could
// not be made.
bool MakePrinterClass(int count);

// Adds a member that passes every job it gets on to the queue of another
// server (an "ipp://" or "ipps://" URI), with the credentials its user was
// authenticated with. The class must exist. False when it could not be added.
bool AddRemoteMember(const std::string& uri);

// Shares the product's queues on the network (the class "Vellora" or the
// queue, and every alias on the monitor's port; not the members, which take
// their jobs through the class). False when a queue could not be shared or
// there is no product printer.
bool ShareProductPrinters();

// Takes the class "Vellora" out with every member the installer made
// (those passing jobs on included) and their records.
void RemovePrinterClass();

}  // namespace vellora
