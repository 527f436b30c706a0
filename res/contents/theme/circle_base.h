   /* The hidden titles' face: the finding screen's own. */
   styles {
      style { name: "circle_page_title";
         base: "font="FONT_BOLD" font_size=28 align=center color=#ffffff wrap=none";
      }
   }
   /* The window's frame. A round screen shows the application edge to
    * edge, with no title bar, shadow or handles, so the frame is its client
    * alone; the title and icon parts stay, hidden, for the window's own
    * calls. Elementary's desktop frame, drawn or not, cost each start as
    * much as the whole finding screen. A frame without this "version" is
    * taken for an old theme's, and elementary loads its own instead. */
   group { name: "elm/border/base/default";
      data.item: "version" "119";
      parts {
         part { name: "elm.spacer.opaque"; type: SPACER;
            description { state: "default" 0.0; }
         }
         part { name: "elm.spacer.content"; type: SPACER;
            description { state: "default" 0.0; }
         }
         part { name: "elm.swallow.client"; type: SWALLOW;
            description { state: "default" 0.0; }
         }
         part { name: "elm.swallow.icon"; type: SWALLOW;
            description { state: "default" 0.0; visible: 0; }
         }
         part { name: "elm.swallow.menu"; type: SWALLOW;
            description { state: "default" 0.0; visible: 0; }
         }
         part { name: "elm.text.title"; type: TEXTBLOCK; mouse_events: 0;
            description { state: "default" 0.0;
               visible: 0;
               text { style: "circle_page_title"; }
            }
         }
      }
   }
   group { name: "elm/layout/application/default";
      parts {
         part { name: "bg"; type: RECT; mouse_events: 0;
            description { state: "default" 0.0;
               color: C_SCREEN;
            }
         }
         part { name: "elm.swallow.content"; type: SWALLOW;
            description { state: "default" 0.0;
            }
         }
      }
   }
   /* A page of the window's page stack. A round screen has no room for a
    * title bar, so a page is its content alone: elementary's own page holds
    * two dozen parts, five of them texts, that every frame would lay out
    * for nothing. The title parts stay, hidden, to take the widget's texts
    * and its back button. Pages slide sideways as on elementary's theme and
    * answer with the same signals, which end each push and pop. */
   group { name: "elm/naviframe/item/basic/default";
      parts {
         part { name: "clip"; type: RECT;
            description { state: "default" 0.0;
            }
         }
         part { name: "base"; type: SPACER;
            description { state: "default" 0.0;
            }
            description { state: "prev" 0.0;
               rel1.relative: -1.0 0.0;
               rel2.relative: 0.0 1.0;
            }
            description { state: "next" 0.0;
               rel1.relative: 1.0 0.0;
               rel2.relative: 2.0 1.0;
            }
         }
         part { name: "elm.swallow.content"; type: SWALLOW;
            clip_to: "clip";
            description { state: "default" 0.0;
               rel1.to: "base";
               rel2.to: "base";
            }
         }
         part { name: "elements_clip"; type: RECT;
            clip_to: "clip";
            description { state: "default" 0.0;
               visible: 0;
               rel1.to: "base";
               rel2.to: "base";
            }
         }
         part { name: "access.title"; type: RECT;
            clip_to: "elements_clip";
            description { state: "default" 0.0;
               visible: 0;
               color: 0 0 0 0;
            }
         }
         /* Hidden, and a text block: a text part shapes its text on each
          * set and again on each resize, shown or not, where a hidden text
          * block is laid out only when asked for its size. It takes the
          * title's own face. There is no subtitle part: no page here has
          * one. */
         part { name: "elm.text.title"; type: TEXTBLOCK; mouse_events: 0;
            clip_to: "elements_clip";
            description { state: "default" 0.0;
               visible: 0;
               text { style: "circle_page_title"; }
            }
         }
         part { name: "elm.swallow.prev_btn"; type: SWALLOW;
            clip_to: "elements_clip";
            description { state: "default" 0.0;
               visible: 0;
            }
         }
         part { name: "elm.swallow.next_btn"; type: SWALLOW;
            clip_to: "elements_clip";
            description { state: "default" 0.0;
               visible: 0;
            }
         }
         part { name: "elm.swallow.icon"; type: SWALLOW;
            clip_to: "elements_clip";
            description { state: "default" 0.0;
               visible: 0;
            }
         }
      }
      programs {
         /* Each move puts the page where it starts, then slides it to where it
          * ends when the widget sends the same signal deferred. */
#define PAGE_MOVE(_signal, _deferred, _from, _to, _done) \
         program { signal: _signal; source: "elm"; \
            action: STATE_SET _from 0.0; \
            target: "base"; \
         } \
         program { signal: _deferred; source: "elm"; \
            action: STATE_SET _to 0.0; \
            transition: DECELERATE 0.2; \
            target: "base"; \
            after: _done; \
         }
         PAGE_MOVE("elm,state,cur,pushed", "elm,state,cur,pushed,deferred", "default", "prev", "pushed")
         PAGE_MOVE("elm,state,new,pushed", "elm,state,new,pushed,deferred", "next", "default", "shown")
         PAGE_MOVE("elm,state,cur,popped", "elm,state,cur,popped,deferred", "default", "next", "popped")
         PAGE_MOVE("elm,state,prev,popped", "elm,state,prev,popped,deferred", "prev", "default", "shown")
#undef PAGE_MOVE
         program { name: "pushed";
            action: SIGNAL_EMIT "elm,action,pushed,finished" "elm";
         }
         program { name: "popped";
            action: SIGNAL_EMIT "elm,action,popped,finished" "elm";
         }
         program { name: "shown";
            action: SIGNAL_EMIT "elm,action,show,finished" "elm";
         }
         program { signal: "elm,state,visible"; source: "elm";
            action: STATE_SET "default" 0.0;
            target: "base";
         }
         /* No title shows, so its changes end at once. */
         program { signal: "elm,action,title,show"; source: "elm";
            action: SIGNAL_EMIT "elm,action,title,transition,finished" "elm";
         }
         program { signal: "elm,action,title,hide"; source: "elm";
            action: SIGNAL_EMIT "elm,action,title,transition,finished" "elm";
         }
      }
   }
