#include "device/retry_policy.h"

#include <algorithm>
#include <thread>

#include "config/program_config.h"

RetryPolicy LinkRetryPolicy() {
    RetryPolicy p;
    p.floorTries = std::max(g_Config.Retry, 1);
    p.maxTries = std::max(p.maxTries, p.floorTries);
    return p;
}

RetryBudget::RetryBudget(const RetryPolicy& policy)
    : m_policy(policy), m_start(std::chrono::steady_clock::now()) {}

bool RetryBudget::Another(bool answeredNo) {
    ++m_made;
    if (m_made < m_policy.floorTries) return true;
    if (answeredNo || m_made >= m_policy.maxTries) return false;
    // The next try, with its pause, must still start within the budget.
    const auto spent = std::chrono::steady_clock::now() - m_start;
    return spent + std::chrono::milliseconds(m_policy.pauseMs) <
           std::chrono::milliseconds(m_policy.budgetMs);
}

void RetryBudget::Pause() const {
    if (m_policy.pauseMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_policy.pauseMs));
}
