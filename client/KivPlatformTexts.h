#pragma once
// What the seller reads when a platform call yields nothing. Two causes ask
// for different mends, so they are never told alike: a call that got no
// answer (the network, the addresses of the settings), and one the platform
// answered with an error reply (its own words, and the shop's credentials of
// "设置店铺" to check). A third, rarer one is an answer that is no reply of
// the platform at all.

#include <QString>

class TqvJSONobject;
struct TTqlReply;

// How a platform call failed.
struct TPlatformFailure {
    // The platform answered (with an error reply, or with something that is
    // no reply); false for a call that got no answer.
    bool Answered = false;
    // The platform's own words for its refusal; empty when it gave none.
    QString Words;
};

// How a call whose reply lacks what was asked for failed.
TPlatformFailure FailureOf(const TTqlReply& reply);

// The platform's own words for an error reply ("Invalid session [27]"; a
// sub-message in brackets); empty when the reply is none.
QString PlatformErrorText(const TqvJSONobject* root);

// Why the call failed and what to do, without a closing mark, to be said
// after "…失败：" in a message or a log line.
QString PlatformFailureReason(const TPlatformFailure& failure);
// The platform's refusal in its words, without what to check.
QString PlatformRefusal(const QString& words);

// "<what>失败：<reason>！"
QString PlatformFailedText(const QString& what, const TPlatformFailure& failure);
// The message of a call that got no answer.
QString PlatformUnreachableText(const QString& what);
