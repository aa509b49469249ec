#pragma once

#include <QString>

// The sending end of the remote-control link.
namespace LinkClient {

// Delivers one poke of text into item at the endpoint application|topic and
// waits for its acknowledgement. False, quietly, when no endpoint answers
// within timeoutMs, or on any other failure.
bool poke(const QString &application, const QString &topic, const QString &item, const QString &text,
          int timeoutMs = 1000);

} // namespace LinkClient

// Pokes command into the Messenger ("Murmurine Mini|Form1", item Text1) and then
// into the Quick Stop program ("HALTPAD|Form1", item Text1); every failure is
// passed over. Blocks at most about one second per endpoint.
void SendLinkCommand(const QString &command);
