// The worker of worker-draws.html: answers after a while, as parsing a
// large file would take on a slow machine.
addEventListener('message', () => {
  setTimeout(() => postMessage({ colour: 'rgb(0,160,0)' }), 700);
});
