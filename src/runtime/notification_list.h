// Notification lists: who hears of a notifying object's changes and
// actions. A list is a singly linked chain of nodes {next, receiver} whose
// head lives in the notifying object, one head per kind of notification
// (and per state for two-state parts).
//
// Invariants: every node holds one reference to its receiver, so a receiver
// stays alive while it is registered; nodes are added at the head, so
// receivers hear newest first; the same receiver added twice has two nodes
// and hears twice. Closing the owner empties its lists (RemoveAllReceivers).
//
// Broadcasts call each receiver's method through its receiver interface,
// skipping receivers that do not implement it. A receiver may change the
// list while it is told (remove itself or others, close the owner's window,
// which empties it): the broadcast works from a locked copy of the
// receivers and tells only those still registered when their turn comes, so
// a receiver removed meanwhile is not told and no node is used after it was
// freed. The caller keeps the list's owner alive for the broadcast.
#pragma once

#include <string_view>

#include "runtime/interfaces.h"
#include "runtime/object_layout.h"

namespace tess {

struct NotificationNode {
  NotificationNode* next;
  TessObject* receiver;
};
using NotificationList = NotificationNode*;  // the head; null when empty

// Locks `receiver` and links it at the head. A nil receiver is ignored.
void AddReceiver(NotificationList* list, TessObject* receiver);
// Unlinks the first node of `receiver` and unlocks it; absent: nothing.
void RemoveReceiver(NotificationList* list, TessObject* receiver);
// Removes the head node until the list is empty.
void RemoveAllReceivers(NotificationList* list);
// Number of nodes (tests and diagnostics).
int CountReceivers(const NotificationList* list);

// Calls `method` of `receiverInterface` on each receiver, with no argument
// beyond the receiver.
void Broadcast(NotificationList* list, Iface receiverInterface, std::string_view method);

// "dataChanged" through dataNotificationReceiver.
void BroadcastDataChanged(NotificationList* list);
// "PerformAction" through actionNotificationReceiver.
void BroadcastPerformAction(NotificationList* list);
// "listDataReload" through listDataNotificationReceiver.
void BroadcastListDataReload(NotificationList* list);

}  // namespace tess
