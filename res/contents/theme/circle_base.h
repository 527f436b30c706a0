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
