// What the Prometheus tests read out of the dashboard and the rules.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

// Every query of a Grafana dashboard, its variables filled in as Grafana
// would for "every site and station": $__rate_interval and $__range as
// given, $site and $ups as ".*".
inline std::vector<std::string> DashboardQueries(const nlohmann::json& dashboard, const std::string& rateInterval,
                                                 const std::string& range) {
  std::vector<std::string> queries;
  std::function<void(const nlohmann::json&)> walk = [&](const nlohmann::json& node) {
    if (node.is_object()) {
      auto expr = node.find("expr");
      if (expr != node.end() && expr->is_string()) queries.push_back(*expr);
      for (const auto& [key, value] : node.items()) walk(value);
    } else if (node.is_array()) {
      for (const auto& value : node) walk(value);
    }
  };
  walk(dashboard);
  for (std::string& q : queries) {
    q = std::regex_replace(q, std::regex(R"(\$__rate_interval)"), rateInterval);
    q = std::regex_replace(q, std::regex(R"(\$__range)"), range);
    q = std::regex_replace(q, std::regex(R"(\$(site|ups)\b)"), ".*");
  }
  return queries;
}

// Every metric name of the NUT exporter's or of ours that `text` uses.
inline std::set<std::string> MetricNames(const std::string& text) {
  std::set<std::string> names;
  std::regex name(R"(\b(network_ups_tools_[a-z_]+|vigil_[a-z_]+)\b)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), name); it != std::sregex_iterator(); ++it)
    names.insert((*it)[1]);
  return names;
}
