// The settle probe in a stand-in for a tool's world: a document with
// nothing moving but the timers the page's watch reports.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const vm = require('node:vm');

const probeSource = fs.readFileSync(process.env.SETTLE_PROBE_JS, 'utf8');

function probe(timers, timersReported) {
  const none = () => [];
  const world = vm.createContext({
    performance: { now: () => 1000 },
    document: { getAnimations: none, querySelectorAll: none, getElementsByTagName: none,
                documentElement: { scrollHeight: 768 } },
    window: { scrollX: 0, scrollY: 0, innerWidth: 1024, innerHeight: 768 },
  });
  world.orlendaWorld = {
    changed: 0, lateness: [], ruleTimers: new Map(), leftFor: '',
    pageActivity: () => ({ timers, frameAsked: 0, lastWorkerMessage: 0, untrackedLatest: 0 }),
  };
  return vm.runInContext(probeSource, world)({ budgetMs: 3000, timersReported, backToTop: false });
}

test('the soonest timers are the ones reported, by when they are due', () => {
  const cases = [
    { name: 'due times of different lengths', due: [1100, 1020, 1003], reported: 2, inMs: [3, 20] },
    { name: 'fewer than reported', due: [1500, 1200], reported: 5, inMs: [200, 500] },
  ];
  for (const row of cases) {
    const answer = probe(row.due.map((due) => ({ due, rearms: 0, every: 0, lastRun: -1e9 })),
                         row.reported);
    assert.deepStrictEqual(answer.timers.map((timer) => timer.inMs), row.inMs, row.name);
  }
});
