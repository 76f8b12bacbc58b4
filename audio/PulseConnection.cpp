#include "audio/PulseConnection.h"

#include <pulse/rtclock.h>

#include "audio/RealtimeScheduling.h"

namespace tonquelle {

namespace {

constexpr pa_usec_t ConnectTimeout = 3 * PA_USEC_PER_SEC;
// A server that accepted the connection answers a query at once; one that does not within
// this time hangs.
constexpr pa_usec_t QueryTimeout = 2 * PA_USEC_PER_SEC;

// Collects server info and sink list replies on the mainloop thread.
struct SinkQuery {
    pa_threaded_mainloop* Loop;
    PulseSinkList* List;
    bool Failed = false;
};

void OnServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (info == nullptr) {
        query->Failed = true;
    } else if (info->default_sink_name != nullptr) {
        query->List->DefaultSinkName = info->default_sink_name;
    }
    pa_threaded_mainloop_signal(query->Loop, 0);
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol != 0) {
        query->Failed = query->Failed || eol < 0;
        pa_threaded_mainloop_signal(query->Loop, 0);
        return;
    }
    PulseSink sink;
    sink.Name = info->name != nullptr ? info->name : "";
    sink.Description = info->description != nullptr ? info->description : sink.Name;
    sink.ChannelMap = info->channel_map;
    query->List->Sinks.push_back(std::move(sink));
}

}  // namespace

const PulseSink* PulseSinkList::Find(int deviceId) const {
    if (deviceId == -1) {
        return Named(DefaultSinkName);
    }
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= Sinks.size()) {
        return nullptr;
    }
    return &Sinks[static_cast<std::size_t>(deviceId)];
}

const PulseSink* PulseSinkList::Named(const std::string& name) const {
    for (const PulseSink& sink : Sinks) {
        if (sink.Name == name) {
            return &sink;
        }
    }
    return nullptr;
}

bool PulseConnection::Connect(bool realtime) {
    realtime_ = realtime;
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        return false;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Tonquelle");
    if (context_ == nullptr) {
        return false;
    }
    pa_context_set_state_callback(context_, OnContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return false;
    }
    MainloopLock lock(loop_);
    if (pa_threaded_mainloop_start(loop_) < 0) {
        return false;
    }
    running_ = true;
    WaitUntil(
        [this] {
            const pa_context_state_t state = pa_context_get_state(context_);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        },
        ConnectTimeout);
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

void PulseConnection::WatchFailure(void (*onFailure)(void*), void* userdata) {
    onFailure_ = onFailure;
    failureUserdata_ = userdata;
}

void PulseConnection::ArmTimeLimit(pa_usec_t timeout) {
    timedOut_ = false;
    timeLimit_ = pa_context_rttime_new(context_, pa_rtclock_now() + timeout, OnTimeout, this);
    timedOut_ = timeLimit_ == nullptr;  // without a timer no wait could end: none begins
}

void PulseConnection::DisarmTimeLimit() {
    if (timeLimit_ != nullptr) {
        pa_threaded_mainloop_get_api(loop_)->time_free(timeLimit_);
        timeLimit_ = nullptr;
    }
}

void PulseConnection::Close() {
    if (context_ != nullptr) {
        if (running_) {
            MainloopLock lock(loop_);
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
        } else {
            pa_context_disconnect(context_);
        }
    }
    if (running_) {
        pa_threaded_mainloop_stop(loop_);
        running_ = false;
    }
    if (context_ != nullptr) {
        pa_context_unref(context_);
        context_ = nullptr;
    }
    if (loop_ != nullptr) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }
}

bool PulseConnection::QuerySinks(PulseSinkList& list) {
    SinkQuery query{loop_, &list};
    MainloopLock lock(loop_);
    if (!Await(pa_context_get_server_info(context_, OnServerInfo, &query)) ||
        !Await(pa_context_get_sink_info_list(context_, OnSinkInfo, &query))) {
        return false;
    }
    return !query.Failed;
}

bool PulseConnection::Await(pa_operation* operation) {
    if (operation == nullptr) {
        return false;
    }
    if (!WaitUntil(
            [operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; },
            QueryTimeout)) {
        pa_operation_cancel(operation);
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

void PulseConnection::OnContextState(pa_context* context, void* self) {
    auto* connection = static_cast<PulseConnection*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY && connection->realtime_) {
        connection->realtime_ = false;
        RequestRealtimeScheduling();  // this is the mainloop thread
    }
    if (!PA_CONTEXT_IS_GOOD(state) && connection->onFailure_ != nullptr) {
        connection->onFailure_(connection->failureUserdata_);
    }
    pa_threaded_mainloop_signal(connection->loop_, 0);
}

void PulseConnection::OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                void* self) {
    auto* connection = static_cast<PulseConnection*>(self);
    connection->timedOut_ = true;
    pa_threaded_mainloop_signal(connection->loop_, 0);
}

}  // namespace tonquelle
