#include "runtime/notification_list.h"

#include <string_view>
#include <vector>

#include "runtime/heap.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"

namespace tess {
namespace {

bool Registered(const NotificationList* list, TessObject* receiver) {
  for (const NotificationNode* n = *list; n; n = n->next)
    if (n->receiver == receiver) return true;
  return false;
}

}  // namespace

void Broadcast(NotificationList* list, Iface receiverInterface, std::string_view method) {
  std::vector<ObjectRef> receivers;
  for (const NotificationNode* n = *list; n; n = n->next)
    receivers.push_back(ShareObject(n->receiver));
  for (const ObjectRef& receiver : receivers) {
    if (!Registered(list, receiver.get())) continue;
    CallInterface(receiver.get(), receiverInterface, method);
  }
}

void AddReceiver(NotificationList* list, TessObject* receiver) {
  if (!receiver) return;
  auto* node = static_cast<NotificationNode*>(AllocateInternalBlock(sizeof(NotificationNode)));
  LockObject(receiver);
  node->receiver = receiver;
  node->next = *list;
  *list = node;
}

void RemoveReceiver(NotificationList* list, TessObject* receiver) {
  for (NotificationNode** at = list; *at; at = &(*at)->next) {
    NotificationNode* node = *at;
    if (node->receiver != receiver) continue;
    *at = node->next;
    FreeInternalBlock(node);
    UnlockObject(receiver);
    return;
  }
}

void RemoveAllReceivers(NotificationList* list) {
  while (NotificationNode* node = *list) {
    *list = node->next;
    TessObject* receiver = node->receiver;
    FreeInternalBlock(node);
    UnlockObject(receiver);
  }
}

int CountReceivers(const NotificationList* list) {
  int count = 0;
  for (const NotificationNode* n = *list; n; n = n->next) ++count;
  return count;
}

void BroadcastDataChanged(NotificationList* list) {
  Broadcast(list, Iface::kDataNotificationReceiver, "dataChanged");
}
void BroadcastPerformAction(NotificationList* list) {
  Broadcast(list, Iface::kActionNotificationReceiver, "PerformAction");
}
void BroadcastListDataReload(NotificationList* list) {
  Broadcast(list, Iface::kListDataNotificationReceiver, "listDataReload");
}

}  // namespace tess
