// Search runs in a web worker, and a page opened as a file may not start one: the browser refuses a
// worker script from a file: address. There the worker's script runs instead in a hidden frame of
// the page (a frame of about:blank shares the page's origin), and messages pass between the two as
// they would between a page and its worker: cloned, and delivered later, never inside the sender's
// call. Served over HTTP, the page keeps the browser's own Worker.
(function () {
  "use strict";
  if (location.protocol !== "file:") return;

  class IFrameWorker extends EventTarget {
    constructor(url) {
      super();
      this.onmessage = null;
      this.onerror = null;
      this._pending = [];
      this._frame = document.createElement("iframe");
      this._frame.hidden = true;
      (document.body || document.documentElement).appendChild(this._frame);
      const scope = this._frame.contentWindow;
      this._scope = scope;
      // The script's own postMessage() answers the page.
      scope.postMessage = (data) => this._deliver(this, window, structuredClone(data));
      const script = scope.document.createElement("script");
      script.src = new URL(url, document.baseURI).href;
      script.onload = () => {
        const pending = this._pending;
        this._pending = null;
        pending.forEach((data) => this._deliver(scope, scope, data));
      };
      script.onerror = () => this._fail(`cannot load ${script.src}`);
      scope.document.documentElement.appendChild(script);
    }

    postMessage(data) {
      if (!this._scope) return;
      const copy = structuredClone(data);
      if (this._pending) this._pending.push(copy);
      else this._deliver(this._scope, this._scope, copy);
    }

    // As with a worker, messages after this are dropped.
    terminate() {
      this._frame.remove();
      this._scope = null;
      this._pending = null;
    }

    _deliver(target, realm, data) {
      setTimeout(() => {
        const event = new realm.MessageEvent("message", { data });
        target.dispatchEvent(event);
        if (target === this && typeof this.onmessage === "function") this.onmessage(event);
      });
    }

    _fail(message) {
      const event = new ErrorEvent("error", { message });
      this.dispatchEvent(event);
      if (typeof this.onerror === "function") this.onerror(event);
    }
  }

  // The search worker looks for this name in its parent page, to find its language scripts beside
  // its own.
  window.IFrameWorker = IFrameWorker;
  window.Worker = IFrameWorker;
})();
